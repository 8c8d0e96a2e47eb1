#include "Options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace sceneview {

namespace {

bool ParseFloat(const std::string& text, float& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const float v = std::strtof(text.c_str(), &end);
    if (errno != 0 || *end != 0 || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool ParseUnsigned(const std::string& text, uint32_t& out, int base = 10) {
    if (text.empty() || text[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text.c_str(), &end, base);
    if (errno != 0 || *end != 0 || v > 0xFFFFFFFFul) return false;
    out = static_cast<uint32_t>(v);
    return true;
}

// 0xRRGGBB or RRGGBB, an optional alpha byte in front.
bool ParseColour(std::string text, uint32_t& out) {
    if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) text = text.substr(2);
    if (text.empty() || text.size() > 8) return false;
    return ParseUnsigned(text, out, 16);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

}  // namespace

const char* UsageText() {
    return "usage: sceneview PACK:ENTRY [options]\n"
           "Draws a loaded scene of a pack through one of its cameras, to a PNG file (headless)\n"
           "or in a window.\n"
           "  --camera N          1-based camera index, up to the scene's count       [1]\n"
           "  --frame F           scene frame of the still, or where --play starts    [0]\n"
           "  --play              animate in real time in a window until Escape\n"
           "                      (Space pauses, Left/Right change camera)\n"
           "  --size WxH          picture size                                        [800x600]\n"
           "  --out FILE.png      render headless into FILE.png\n"
           "  --prefix DIR\\       folder prefix of the scene's files       [the entry's folder]\n"
           "  --ambient 0xRRGGBB  ambient light                                       [0xB78832]\n"
           "  --attenuation C,L,Q light attenuation                             [0.95,0.03,0]\n"
           "  --fog D[,0xRRGGBB]  exponential fog of density D                        [off]\n"
           "  --aspect A          projection aspect                                   [W/H]\n"
           "  --clear 0xRRGGBB    background colour                                   [0x000000]\n"
           "  --warmup N          updates before a still, half a frame apart         [120]\n"
           "  --fps R             scene frames per second when playing               [30]\n"
           "  --quit-after N      end the window after N drawn frames (scripted runs)\n"
           "  --log FILE          keep the loader's account (engine.log) in FILE\n"
           "  --point FILE        flare picture             [point.bmp here, else beside PACK]\n";
}

bool ParseOptions(int argc, char** argv, Options& o, std::string* error, bool* help) {
    auto fail = [&](const std::string& text) {
        if (error) *error = text;
        return false;
    };
    if (help) *help = false;
    std::string source;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "-h" || arg == "--help") {
            if (help) *help = true;
            return true;
        } else if (arg == "--play") {
            o.play = true;
        } else if (arg == "--camera") {
            if (!value(v) || !ParseUnsigned(v, o.camera) || o.camera == 0)
                return fail("--camera needs an index from 1");
        } else if (arg == "--frame") {
            if (!value(v) || !ParseFloat(v, o.frame)) return fail("--frame needs a number");
        } else if (arg == "--size") {
            const std::vector<std::string> wh =
                value(v) ? Split(v, 'x') : std::vector<std::string>{};
            uint32_t w = 0, h = 0;
            if (wh.size() != 2 || !ParseUnsigned(wh[0], w) || !ParseUnsigned(wh[1], h) || w == 0 ||
                h == 0 || w > 8192 || h > 8192)
                return fail("--size needs WxH, each 1 to 8192");
            o.width = static_cast<int>(w);
            o.height = static_cast<int>(h);
        } else if (arg == "--out") {
            if (!value(o.out) || o.out.empty()) return fail("--out needs a file name");
        } else if (arg == "--prefix") {
            if (!value(o.prefix)) return fail("--prefix needs a folder prefix");
        } else if (arg == "--ambient") {
            if (!value(v) || !ParseColour(v, o.ambient)) return fail("--ambient needs 0xRRGGBB");
        } else if (arg == "--attenuation") {
            const std::vector<std::string> p =
                value(v) ? Split(v, ',') : std::vector<std::string>{};
            if (p.size() != 3 || !ParseFloat(p[0], o.attenuation[0]) ||
                !ParseFloat(p[1], o.attenuation[1]) || !ParseFloat(p[2], o.attenuation[2]))
                return fail("--attenuation needs three numbers C,L,Q");
        } else if (arg == "--fog") {
            const std::vector<std::string> p =
                value(v) ? Split(v, ',') : std::vector<std::string>{};
            if (p.empty() || p.size() > 2 || !ParseFloat(p[0], o.fogDensity) ||
                (p.size() == 2 && !ParseColour(p[1], o.fogColour)))
                return fail("--fog needs DENSITY[,0xRRGGBB]");
            o.fog = true;
        } else if (arg == "--aspect") {
            if (!value(v) || !ParseFloat(v, o.aspect) || o.aspect <= 0)
                return fail("--aspect needs a positive number");
        } else if (arg == "--clear") {
            if (!value(v) || !ParseColour(v, o.clearColour)) return fail("--clear needs 0xRRGGBB");
        } else if (arg == "--warmup") {
            uint32_t n = 0;
            if (!value(v) || !ParseUnsigned(v, n) || n > 100000)
                return fail("--warmup needs a count from 0 to 100000");
            o.warmup = static_cast<int>(n);
        } else if (arg == "--fps") {
            if (!value(v) || !ParseFloat(v, o.framesPerSecond) || o.framesPerSecond <= 0)
                return fail("--fps needs a positive number");
        } else if (arg == "--quit-after") {
            if (!value(v) || !ParseUnsigned(v, o.quitAfter) || o.quitAfter == 0)
                return fail("--quit-after needs a frame count from 1");
        } else if (arg == "--log") {
            if (!value(o.logPath) || o.logPath.empty()) return fail("--log needs a file name");
        } else if (arg == "--point") {
            if (!value(o.pointPicture) || o.pointPicture.empty())
                return fail("--point needs a file name");
        } else if (!arg.empty() && arg[0] == '-') {
            return fail("unknown option " + arg);
        } else if (source.empty()) {
            source = arg;
        } else {
            return fail("more than one scene given");
        }
    }
    if (source.empty()) return fail("no scene given");
    const size_t colon = source.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= source.size())
        return fail("the scene must be given as PACK:ENTRY");
    o.pack = source.substr(0, colon);
    o.entry = source.substr(colon + 1);
    if (o.prefix.empty()) {
        const size_t slash = o.entry.find_last_of('\\');
        if (slash != std::string::npos) o.prefix = o.entry.substr(0, slash + 1);
    }
    if (o.play && !o.out.empty()) return fail("--play shows a window; it cannot go with --out");
    return true;
}

}  // namespace sceneview
