// Headless OpenGL through EGL without any window system.
#include <epoxy/egl.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "gfx/gl/context/GlContext.h"

namespace gfx::gl {

namespace {

// Several devices may share one EGL display (tests create many); the display is terminated
// when the last context on it goes.
std::map<EGLDisplay, int>& DisplayUsers() {
    static std::map<EGLDisplay, int> users;
    return users;
}

void ReleaseDisplay(EGLDisplay display) {
    auto& users = DisplayUsers();
    auto it = users.find(display);
    if (it == users.end()) return;
    if (--it->second == 0) {
        eglTerminate(display);
        users.erase(it);
    }
}

class EglContext final : public GlContext {
  public:
    EglContext(EGLDisplay display, EGLContext context, std::string description)
        : display_(display), context_(context), description_(std::move(description)) {}
    ~EglContext() override {
        if (eglGetCurrentContext() == context_)
            eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display_, context_);
        ReleaseDisplay(display_);
    }

    bool makeCurrent() override {
        return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
    }
    std::string description() const override { return description_; }

  private:
    EGLDisplay display_;
    EGLContext context_;
    std::string description_;
};

bool HasClientExtension(const char* name) {
    const char* list = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!list) return false;
    const size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n) {
        const bool startOk = p == list || p[-1] == ' ';
        const bool endOk = p[n] == ' ' || p[n] == '\0';
        if (startOk && endOk) return true;
    }
    return false;
}

std::vector<EGLDeviceEXT> QueryDevices() {
    std::vector<EGLDeviceEXT> devices;
    if (!HasClientExtension("EGL_EXT_device_enumeration") &&
        !HasClientExtension("EGL_EXT_device_base"))
        return devices;
    EGLint count = 0;
    if (!eglQueryDevicesEXT(0, nullptr, &count) || count <= 0) return devices;
    devices.resize(static_cast<size_t>(count));
    if (!eglQueryDevicesEXT(count, devices.data(), &count)) count = 0;
    devices.resize(static_cast<size_t>(count));
    return devices;
}

bool IsSoftwareDevice(EGLDeviceEXT device) {
    const char* ext = eglQueryDeviceStringEXT(device, EGL_EXTENSIONS);
    return ext && std::strstr(ext, "EGL_MESA_device_software") != nullptr;
}

// Initialises `display` and creates a 3.3 core context on it; appends what went wrong.
std::unique_ptr<GlContext> TryDisplay(EGLDisplay display, const std::string& what,
                                      std::string& reasons) {
    if (display == EGL_NO_DISPLAY) {
        reasons += what + ": no display; ";
        return nullptr;
    }
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
        reasons += what + ": eglInitialize failed; ";
        return nullptr;
    }
    DisplayUsers()[display]++;
    auto fail = [&](const std::string& why) -> std::unique_ptr<GlContext> {
        reasons += what + ": " + why + "; ";
        ReleaseDisplay(display);
        return nullptr;
    };
    if (!epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context"))
        return fail("no EGL_KHR_surfaceless_context");
    if (!eglBindAPI(EGL_OPENGL_API)) return fail("desktop OpenGL is not available");

    EGLConfig config = nullptr;
    const bool noConfig = epoxy_has_egl_extension(display, "EGL_KHR_no_config_context");
    if (!noConfig) {
        const EGLint attribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0,
                                  EGL_NONE};
        EGLint found = 0;
        if (!eglChooseConfig(display, attribs, &config, 1, &found) || found < 1)
            return fail("no OpenGL config");
    }
    const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                                     3,
                                     EGL_CONTEXT_MINOR_VERSION,
                                     3,
                                     EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                     EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                     EGL_NONE};
    EGLContext context = eglCreateContext(display, noConfig ? EGL_NO_CONFIG_KHR : config,
                                          EGL_NO_CONTEXT, contextAttribs);
    if (context == EGL_NO_CONTEXT) return fail("no OpenGL 3.3 core context");
    auto result = std::make_unique<EglContext>(display, context, "EGL " + what);
    if (!result->makeCurrent()) {
        reasons += what + ": eglMakeCurrent failed; ";
        return nullptr;  // the context object cleans up
    }
    return result;
}

EGLDisplay DeviceDisplay(EGLDeviceEXT device) {
    return eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
}

}  // namespace

std::unique_ptr<GlContext> CreateEglContext(std::string* error) {
    std::string reasons;
    const char* forced = std::getenv("RUNEPLAY_EGL_PLATFORM");
    const std::string only = forced ? forced : "";
    const bool platforms = HasClientExtension("EGL_EXT_platform_base");
    const bool devicePlatform = platforms && HasClientExtension("EGL_EXT_platform_device");
    const bool surfaceless = platforms && HasClientExtension("EGL_MESA_platform_surfaceless");
    std::vector<EGLDeviceEXT> devices =
        devicePlatform ? QueryDevices() : std::vector<EGLDeviceEXT>{};

    auto tryDevices = [&](bool software) -> std::unique_ptr<GlContext> {
        for (EGLDeviceEXT d : devices) {
            if (IsSoftwareDevice(d) != software) continue;
            if (auto c = TryDisplay(DeviceDisplay(d),
                                    software ? "software device" : "device platform", reasons))
                return c;
        }
        return nullptr;
    };
    auto trySurfaceless = [&]() -> std::unique_ptr<GlContext> {
        if (!surfaceless) {
            reasons += "surfaceless: platform not offered; ";
            return nullptr;
        }
        return TryDisplay(
            eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr),
            "surfaceless (Mesa)", reasons);
    };
    auto tryDefault = [&]() {
        return TryDisplay(eglGetDisplay(EGL_DEFAULT_DISPLAY), "default display", reasons);
    };

    std::unique_ptr<GlContext> context;
    if (only == "device") {
        context = tryDevices(false);
        if (!context) context = tryDevices(true);
    } else if (only == "surfaceless") {
        context = trySurfaceless();
    } else if (only == "default") {
        context = tryDefault();
    } else {
        context = tryDevices(false);
        if (!context) context = trySurfaceless();
        if (!context) context = tryDevices(true);
        if (!context) context = tryDefault();
    }
    if (!context && error) *error = "no headless OpenGL 3.3 context through EGL (" + reasons + ")";
    return context;
}

}  // namespace gfx::gl
