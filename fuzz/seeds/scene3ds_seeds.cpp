// Writes a starting corpus for fuzz_scene3ds: small scenes covering every chunk the loader
// reads. Usage: make_scene3ds_seeds DIRECTORY
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/Chunk3dsBuilder.h"

using namespace test3ds;

namespace {

const std::vector<float> kQuad = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
const std::vector<uint16_t> kTwoFaces = {0, 1, 2, 0, 2, 3};

std::vector<uint8_t> FullScene() {
    Chunk axes(0x4160);
    axes.floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 10, 20, 30});
    Chunk uv(0x4140);
    uv.u16(4).floats({0, 0, 1, 0, 1, 1, 0, 1});
    const Key spline{5, {1, 2, 3}, 0x1F, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f}};
    return File(
        {MaterialNamed("Stone",
                       {ColourProperty(0xA010, 10, 20, 30), ColourProperty(0xA020, 1, 2, 3),
                        ColourProperty(0xA030, 4, 5, 6), PercentProperty(0xA040, 25),
                        PercentProperty(0xA041, 70), PercentProperty(0xA050, 40), Chunk(0xA085),
                        MapProperty(0xA200, "ROCK.BMP"), MapProperty(0xA210, "ROCKA.TGA")}),
         MeshObject("Box", kQuad, kTwoFaces, "Stone", {uv, axes}),
         MeshObject("emitter01", kQuad, kTwoFaces, "Stone"),
         OmniLight("Lamp", {1, 2, 3}, {1, 0.5f, 0.25f}, 4),
         OmniLight("flr01", {0, 5, 0}, {1, 1, 1}),
         SpotLight("Spot", {0, 0, 10}, {1, 1, 1}, {0, 0, 0}, 20, 40),
         Camera("Cam", {0, -50, 10}, {0, 0, 0}, 0, 35)},
        {Keyframer(
            0, 100,
            {Node(0xB002, 0, "Box", 0xFFFF,
                  {Pivot(1, 2, 3), TrackChunk(0xB020, {{0, {0, 0, 0}}, spline, {9, {3, 2, 1}}}),
                   TrackChunk(0xB021, {{0, {1.57f, 0, 0, 1}}, {10, {0.5f, 1, 0, 0}}}),
                   TrackChunk(0xB022, {{0, {1, 1, 1}}})}),
             Node(0xB002, 1, "$$$DUMMY", 0xFFFF), Node(0xB002, 2, "emitter01", 1),
             Node(0xB005, 3, "Lamp", 0xFFFF,
                  {TrackChunk(0xB025, {{0, {1, 1, 1}}}), TrackChunk(0xB020, {{0, {1, 2, 3}}})}),
             Node(0xB007, 4, "Spot", 0xFFFF,
                  {TrackChunk(0xB020, {{0, {0, 0, 10}}}), Chunk(0xB021),
                   TrackChunk(0xB027, {{0, {20}}, {50, {25}}}), TrackChunk(0xB028, {{0, {40}}})}),
             Node(0xB006, 5, "Spot", 0xFFFF, {TrackChunk(0xB020, {{0, {0, 0, 0}}})}),
             Node(
                 0xB003, 6, "Cam", 0xFFFF,
                 {TrackChunk(0xB020, {{0, {0, -50, 10}}, {50, {10, -40, 10}}, {100, {0, -50, 10}}}),
                  TrackChunk(0xB023, {{0, {45}}}), TrackChunk(0xB024, {{0, {0}}})}),
             Node(0xB004, 7, "Cam", 0xFFFF, {TrackChunk(0xB020, {{0, {0, 0, 0}}})})})});
}

bool Write(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_scene3ds_seeds DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::vector<uint8_t> full = FullScene();
    bool ok = Write(dir, "full.3ds", full);
    ok &= Write(dir, "mesh.3ds",
                File({MeshObject("Box", kQuad, kTwoFaces, "M"), MaterialNamed("M")}));
    ok &= Write(dir, "lights.3ds",
                File({OmniLight("Lamp", {1, 2, 3}, {1, 1, 1}),
                      SpotLight("Spot", {0, 0, 0}, {1, 1, 1}, {0, 0, -1}, 10, 20)}));
    ok &= Write(
        dir, "camera.3ds",
        File(
            {Camera("Cam", {0, 0, 0}, {0, 1, 0}, 0, 35)},
            {Keyframer(0, 10,
                       {Node(0xB003, 0, "Cam", 0xFFFF,
                             {TrackChunk(0xB020, {{0, {0, 0, 0}}}), TrackChunk(0xB023, {{0, {45}}}),
                              TrackChunk(0xB024, {{0, {0}}})}),
                        Node(0xB004, 1, "Cam", 0xFFFF, {TrackChunk(0xB020, {{0, {0, 1, 0}}})})})}));
    std::vector<uint8_t> truncated(full.begin(), full.begin() + full.size() / 2);
    ok &= Write(dir, "truncated.3ds", truncated);
    if (!ok) {
        std::fprintf(stderr, "make_scene3ds_seeds: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
