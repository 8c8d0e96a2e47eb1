// The pack entries the engine asks for by a fixed name, as its load routine, effects and
// overlays spell them (the scenes name the rest: their textures, normals and emitter files).
// Pictures come with the size their use needs.
#pragma once

namespace testsupport {

enum class PictureKind { Jpeg, Tga, Bmp };

struct PictureEntry {
    const char* name;
    PictureKind kind;
    int width, height;
};

inline constexpr PictureEntry kEnginePictures[] = {
    {"!textures\\mirrane.jpeg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\kowadlo1.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\kowadlo2.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\kowadlo3.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\kowadlo4.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\kowadlo5.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\kowadlo6.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\kowadlo7.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\p_zo_people.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\stagi.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\p3.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\gret1.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\gret2.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\gret3.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\gret4.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textureswstawka1.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textureswstawka2.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textureswstawka3.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textureswstawka4.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textureswstawka5.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\endscr.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\p1.jpg", PictureKind::Jpeg, 1024, 768},
    {"!textures\\some.jpg", PictureKind::Jpeg, 512, 64},
    {"!textures\\tarn.jpg", PictureKind::Jpeg, 256, 128},
    {"!textures\\morvek.jpg", PictureKind::Jpeg, 256, 128},
    {"!textures\\pelwandr.jpg", PictureKind::Jpeg, 256, 128},
    {"!textures\\sovane.jpg", PictureKind::Jpeg, 256, 128},
    {"!textures\\tolve.jpg", PictureKind::Jpeg, 256, 128},
    {"!textures\\harvel.jpg", PictureKind::Jpeg, 256, 128},
    {"!textures\\dumeck.jpg", PictureKind::Jpeg, 256, 128},
    {"!textures\\yeld.jpg", PictureKind::Jpeg, 256, 128},
    {"!textures\\k1.jpg", PictureKind::Jpeg, 512, 384},
    {"!textures\\k2.jpg", PictureKind::Jpeg, 512, 384},
    {"!textures\\k3.jpg", PictureKind::Jpeg, 512, 384},
    {"!textures\\k4.jpg", PictureKind::Jpeg, 512, 384},
    {"!textures\\k5.jpg", PictureKind::Jpeg, 512, 384},
    {"!textures\\metal5.jpg", PictureKind::Jpeg, 256, 256},
    {"!textures\\metal51.jpg", PictureKind::Jpeg, 256, 256},
    {"!textures\\point.jpg", PictureKind::Jpeg, 128, 128},
    {"!textures\\!voda1.jpg", PictureKind::Jpeg, 512, 512},
    {"!textures\\boxtext.jpg", PictureKind::Jpeg, 256, 256},
    {"!textures\\boxtext1.jpg", PictureKind::Jpeg, 256, 256},
    {"!textures\\pointlight.tga", PictureKind::Tga, 256, 256},
    {"!textures\\bump.tga", PictureKind::Tga, 256, 256},
    {"!textures\\bump1.tga", PictureKind::Tga, 256, 256},
    {"!textures\\metal.tga", PictureKind::Tga, 256, 256},
    {"!textures\\text.tga", PictureKind::Tga, 256, 256},
    {"numbers\\0.bmp", PictureKind::Bmp, 32, 32},
    {"numbers\\1.bmp", PictureKind::Bmp, 32, 32},
    {"numbers\\2.bmp", PictureKind::Bmp, 32, 32},
    {"numbers\\3.bmp", PictureKind::Bmp, 32, 32},
    {"numbers\\4.bmp", PictureKind::Bmp, 32, 32},
    {"numbers\\5.bmp", PictureKind::Bmp, 32, 32},
    {"numbers\\6.bmp", PictureKind::Bmp, 32, 32},
    {"numbers\\7.bmp", PictureKind::Bmp, 32, 32},
    {"numbers\\8.bmp", PictureKind::Bmp, 32, 32},
    {"numbers\\9.bmp", PictureKind::Bmp, 32, 32},
    {"numbers\\c.bmp", PictureKind::Bmp, 32, 32},
};

inline constexpr const char* kEngineShaders[] = {
    "!shaders\\shading.vso",  "!shaders\\shading.pso",   "!shaders\\shading2.vso",
    "!shaders\\shading2.pso", "!shaders\\shading32.vso", "!shaders\\shading32.pso",
    "!shaders\\ShEf.vso",     "!shaders\\ShEf1.vso",     "!shaders\\shEf1.pso",
    "!shaders\\shEf2.pso",    "!shaders\\shEf3.pso",     "!shaders\\logo.pso",
    "!shaders\\fade.pso",     "!shaders\\metal.pso",
};

// Every scene the engine loads; the part up to the backslash is the folder its textures and
// emitter files are looked up in.
inline constexpr const char* kEngineScenes[] = {
    "Objs\\szk.3ds",   "Objs\\hau.3ds",      "Objs\\tlo.3ds",        "Objs\\stagi.3ds",
    "Objs\\wcube.3ds", "Objs\\endscene.3ds", "scene3\\scene123.3DS", "Scene2\\Scene.3ds",
};

inline constexpr const char* kEngineSoundtrack = "morvek.mp3";

}  // namespace testsupport
