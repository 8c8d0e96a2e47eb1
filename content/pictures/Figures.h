// Stylised people: standing figures as signed-distance shapes, to be drawn as silhouettes
// against light (the crowd picture, the forge).
#pragma once

#include <cstdint>
#include <vector>

#include "content/pictures/Paint.h"

namespace content::pictures {

enum class Pose { ArmsDown, OneArmUp, BothArmsUp, HandsOnHips };

struct Figure {
    float x = 0;         // centre line, pixels
    float baseY = 0;     // waist line, pixels; the body continues below it out of view
    float height = 100;  // from the waist line to the top of the head, pixels
    float lean = 0;      // sideways lean of the upper body, fraction of the height
    float build = 1.0f;  // shoulder width factor
    Pose pose = Pose::ArmsDown;
};

// Signed distance in pixels from (px, py) to the figure (negative inside).
float FigureDistance(const Figure& f, float px, float py);

// The box outside which the figure's distance exceeds `margin`.
void FigureBounds(const Figure& f, float margin, float& x0, float& y0, float& x1, float& y1);

// Fills `out` with the distance to the nearest of the figures (a plane of huge values first).
Plane CrowdDistance(int w, int h, const std::vector<Figure>& figures, float margin);

}  // namespace content::pictures
