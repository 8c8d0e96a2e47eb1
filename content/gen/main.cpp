// kelvra_gen CONTENT_DIR OUT_DIR: writes OUT_DIR/kelvra.dat and the loose files beside it.
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "content/gen/Content.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kelvra_gen CONTENT_DIR OUT_DIR\n");
        return 2;
    }
    content::Output out;
    out.sourceDir = argv[1];
    const std::string outDir = argv[2];
    try {
        auto step = [](const char* what, auto&& fn) {
            auto t0 = std::chrono::steady_clock::now();
            fn();
            double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            std::printf("kelvra_gen: %-9s %6.2f s\n", what, s);
        };
        step("shaders", [&] { content::AddShaders(out); });
        step("music", [&] { content::AddMusic(out); });
        step("pictures", [&] { content::AddPictures(out); });
        step("scenes", [&] { content::AddScenes(out); });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kelvra_gen: %s\n", e.what());
        return 1;
    }
    std::string error;
    if (!out.pack.WriteFile(outDir + "/kelvra.dat", &error)) {
        std::fprintf(stderr, "kelvra_gen: %s\n", error.c_str());
        return 1;
    }
    for (const auto& [name, bytes] : out.looseFiles) {
        FILE* f = std::fopen((outDir + "/" + name).c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            std::fprintf(stderr, "kelvra_gen: cannot write %s/%s\n", outDir.c_str(), name.c_str());
            if (f) std::fclose(f);
            return 1;
        }
        std::fclose(f);
    }
    std::printf("kelvra_gen: %zu entries written to %s/kelvra.dat\n", out.pack.size(), outDir.c_str());
    return 0;
}
