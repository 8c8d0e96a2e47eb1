#include "gfx/shader/Instruction.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace gfx::shader {
namespace {

std::string Hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

std::string At(size_t offset) { return "token " + std::to_string(offset) + ": "; }

std::string VersionText(const ShaderVersion& v) {
    return std::string(v.pixel ? "ps." : "vs.") + std::to_string(v.major) + "." +
           std::to_string(v.minor);
}

// Name of an opcode in any version (for messages about the wrong version).
const char* AnyName(uint32_t raw) {
    for (const auto& info : OpcodeTable())
        if (static_cast<uint32_t>(info.opcode) == raw) return info.name;
    return "?";
}

bool ReadParam(TokenReader& reader, const OpcodeInfo& info, size_t instrOffset, uint32_t& token,
               std::string& error) {
    if (!reader.next(token)) {
        error = At(instrOffset) + "'" + info.name + "' needs " +
                std::to_string(info.paramTokens()) +
                " parameter tokens; the stream ends at token " + std::to_string(reader.offset());
        return false;
    }
    return true;
}

bool CheckParamToken(uint32_t token, size_t offset, std::string& error) {
    if (!(token & kParamBit)) {
        error = At(offset) + Hex(token) + " is not a parameter token (bit 31 clear)";
        return false;
    }
    if (token & kRegTypeHighMask) {
        error = At(offset) + "register type " +
                std::to_string(((token & kRegTypeMask) >> kRegTypeShift) |
                               ((token & kRegTypeHighMask) >> 8)) +
                " does not exist in 1.x programs";
        return false;
    }
    return true;
}

const char kXyzw[] = "xyzw";
const char kRgba[] = "rgba";

}  // namespace

uint32_t DstParam::encode() const {
    return kParamBit | (uint32_t(type) << kRegTypeShift) | (index & kRegNumMask) |
           (uint32_t(mask & 0xF) << kWriteMaskShift) |
           ((saturate ? kResultSaturate : 0u) << kResultModShift) |
           (ShiftToBits(shift) << kShiftShift);
}

uint32_t SrcParam::encode() const {
    return kParamBit | (uint32_t(type) << kRegTypeShift) | (index & kRegNumMask) |
           (relative ? kRelativeBit : 0u) | (uint32_t(swizzle) << kSwizzleShift) |
           (uint32_t(mod) << kSrcModShift);
}

bool Instruction::read(TokenReader& reader, const ShaderVersion& version, std::string& error) {
    *this = Instruction{};
    offset = reader.offset();
    uint32_t token = 0;
    if (!reader.next(token)) {
        error = At(offset) + "the stream ends without the end token";
        return false;
    }
    if ((token & kOpcodeMask) == kCommentOpcode) {
        if (token & kParamBit) {
            error = At(offset) + "comment token " + Hex(token) + " has bit 31 set";
            return false;
        }
        const size_t length = (token & kCommentLengthMask) >> kCommentLengthShift;
        if (length > reader.remaining()) {
            error = At(offset) + "comment of " + std::to_string(length) +
                    " tokens runs past the end of the stream (" +
                    std::to_string(reader.remaining()) + " tokens left)";
            return false;
        }
        comment.assign(reader.at(reader.offset()), reader.at(reader.offset()) + length);
        reader.skip(length);
        return true;
    }
    if (token & kParamBit) {
        error = At(offset) + Hex(token) + " is a parameter token where an instruction was expected";
        return false;
    }
    const uint32_t raw = token & kOpcodeMask;
    bool elsewhere = false;
    info = FindOpcode(raw, version, &elsewhere);
    if (!info) {
        if (elsewhere || raw == static_cast<uint32_t>(Opcode::Phase))
            error = At(offset) + "instruction '" + AnyName(raw) + "' is not available in " +
                    VersionText(version);
        else
            error = At(offset) + "unknown opcode " + std::to_string(raw) + " (" + Hex(token) + ")";
        info = nullptr;
        return false;
    }
    opcode = info->opcode;
    if (token & (kPredicatedBit | kReservedBit29)) {
        error = At(offset) + "reserved bits set in instruction token " + Hex(token);
        return false;
    }
    coissue = (token & kCoissueBit) != 0;
    controls = static_cast<uint8_t>((token & kControlsMask) >> kControlsShift);
    lengthField = static_cast<uint8_t>((token & kLengthMask) >> kLengthShift);
    if (lengthField != 0 && lengthField != info->paramTokens()) {
        error = At(offset) + "length field says " + std::to_string(lengthField) + " tokens but '" +
                info->name + "' takes " + std::to_string(info->paramTokens());
        return false;
    }

    if (info->dstCount) {
        const size_t at = reader.offset();
        if (!ReadParam(reader, *info, offset, token, error) || !CheckParamToken(token, at, error))
            return false;
        if (token & kDstReservedMask) {
            error = At(at) + "reserved bits set in destination token " + Hex(token);
            return false;
        }
        const uint32_t resultMod = (token & kResultModMask) >> kResultModShift;
        if (resultMod & ~kResultSaturate) {
            error = At(at) + "result modifier " + std::to_string(resultMod) +
                    " does not exist in 1.x programs";
            return false;
        }
        hasDst = true;
        dst.type = static_cast<RegType>((token & kRegTypeMask) >> kRegTypeShift);
        dst.index = token & kRegNumMask;
        dst.mask = static_cast<uint8_t>((token & kWriteMaskMask) >> kWriteMaskShift);
        dst.saturate = (resultMod & kResultSaturate) != 0;
        dst.shift = static_cast<int8_t>(ShiftFromBits((token & kShiftMask) >> kShiftShift));
    }
    for (unsigned i = 0; i < info->srcCount; ++i) {
        const size_t at = reader.offset();
        if (!ReadParam(reader, *info, offset, token, error) || !CheckParamToken(token, at, error))
            return false;
        if (token & kSrcReservedMask) {
            error = At(at) + "reserved bits set in source token " + Hex(token);
            return false;
        }
        const uint32_t mod = (token & kSrcModMask) >> kSrcModShift;
        if (mod >= kSrcModCount) {
            error = At(at) + "source modifier " + std::to_string(mod) +
                    " does not exist in 1.x programs";
            return false;
        }
        SrcParam& s = src[i];
        s.type = static_cast<RegType>((token & kRegTypeMask) >> kRegTypeShift);
        s.index = token & kRegNumMask;
        s.relative = (token & kRelativeBit) != 0;
        s.swizzle = static_cast<uint8_t>((token & kSwizzleMask) >> kSwizzleShift);
        s.mod = static_cast<SrcMod>(mod);
    }
    srcCount = info->srcCount;
    if (info->opClass == OpClass::Def) {
        for (float& f : literal) {
            if (!ReadParam(reader, *info, offset, token, error)) return false;
            f = std::bit_cast<float>(token);
        }
    }
    return true;
}

void Instruction::write(std::vector<uint32_t>& out) const {
    if (isComment()) {
        out.push_back(kCommentOpcode | (uint32_t(comment.size()) << kCommentLengthShift));
        out.insert(out.end(), comment.begin(), comment.end());
        return;
    }
    out.push_back(static_cast<uint32_t>(opcode) | (uint32_t(controls) << kControlsShift) |
                  (uint32_t(lengthField & 0xF) << kLengthShift) | (coissue ? kCoissueBit : 0u));
    if (hasDst) out.push_back(dst.encode());
    for (unsigned i = 0; i < srcCount; ++i) out.push_back(src[i].encode());
    if (info->opClass == OpClass::Def)
        for (float f : literal) out.push_back(std::bit_cast<uint32_t>(f));
}

std::string RegisterName(RegType type, uint32_t index, bool relative,
                         const ShaderVersion& version) {
    const std::string n = std::to_string(index);
    switch (type) {
        case RegType::Temp:
            return "r" + n;
        case RegType::Input:
            return "v" + n;
        case RegType::Const:
            if (relative) return index ? "c[a0.x + " + n + "]" : "c[a0.x]";
            return "c" + n;
        case RegType::Texture:
            return version.pixel ? "t" + n : "a" + n;
        case RegType::RastOut:
            if (index == kOutPos) return "oPos";
            if (index == kOutFog) return "oFog";
            if (index == kOutPts) return "oPts";
            return "oRast" + n;
        case RegType::AttrOut:
            return "oD" + n;
        case RegType::TexCrdOut:
            return "oT" + n;
    }
    return "?" + n;
}

std::string WriteMaskText(uint8_t mask, bool pixel) {
    if ((mask & 0xF) == kFullMask) return "";
    const char* names = pixel ? kRgba : kXyzw;
    std::string s = ".";
    for (unsigned i = 0; i < 4; ++i)
        if (mask & (1u << i)) s += names[i];
    return s;
}

std::string SwizzleText(uint8_t swizzle, bool pixel) {
    if (swizzle == kIdentitySwizzle) return "";
    const char* names = pixel ? kRgba : kXyzw;
    const unsigned c0 = swizzle & 3u;
    if (swizzle == c0 * 0x55u) return std::string(".") + names[c0];
    std::string s = ".";
    for (unsigned i = 0; i < 4; ++i) s += names[(swizzle >> (2 * i)) & 3u];
    return s;
}

std::string DstText(const DstParam& dst, const ShaderVersion& version) {
    return RegisterName(dst.type, dst.index, false, version) +
           WriteMaskText(dst.mask, version.pixel);
}

std::string SrcText(const SrcParam& src, const ShaderVersion& version) {
    std::string reg = RegisterName(src.type, src.index, src.relative, version);
    std::string prefix, suffix;
    switch (src.mod) {
        case SrcMod::None:
            break;
        case SrcMod::Neg:
            prefix = "-";
            break;
        case SrcMod::Bias:
            suffix = "_bias";
            break;
        case SrcMod::BiasNeg:
            prefix = "-", suffix = "_bias";
            break;
        case SrcMod::Sign:
            suffix = "_bx2";
            break;
        case SrcMod::SignNeg:
            prefix = "-", suffix = "_bx2";
            break;
        case SrcMod::Comp:
            prefix = "1-";
            break;
        case SrcMod::X2:
            suffix = "_x2";
            break;
        case SrcMod::X2Neg:
            prefix = "-", suffix = "_x2";
            break;
        case SrcMod::Dz:
            suffix = "_dz";
            break;
        case SrcMod::Dw:
            suffix = "_dw";
            break;
    }
    return prefix + reg + suffix + SwizzleText(src.swizzle, version.pixel);
}

std::string FloatText(float value) {
    char buf[40];
    if (std::isnan(value)) {
        // A NaN's sign and payload survive only as its bits.
        const uint32_t bits = std::bit_cast<uint32_t>(value);
        if (bits == kPlainNaN) return "nan";
        std::snprintf(buf, sizeof buf, "bits(0x%08x)", static_cast<unsigned>(bits));
        return buf;
    }
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    for (int precision = 1; precision <= 9; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, static_cast<double>(value));
        if (std::strtof(buf, nullptr) == value) break;
    }
    return buf;
}

bool ParseFloatText(const std::string& text, float& value) {
    if (text == "nan") {
        value = std::bit_cast<float>(kPlainNaN);
        return true;
    }
    if (text.rfind("bits(", 0) == 0) {
        // Exactly eight hex digits: "bits(0x7fc00001)".
        if (text.size() != 16 || text.compare(5, 2, "0x") != 0 || text.back() != ')') return false;
        uint32_t bits = 0;
        for (size_t i = 7; i < 15; ++i) {
            const char c = text[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return false;
            bits = bits << 4 | static_cast<uint32_t>(digit);
        }
        value = std::bit_cast<float>(bits);
        return true;
    }
    const char* s = text.c_str();
    char* end = nullptr;
    value = std::strtof(s, &end);
    return end != s && *end == '\0';
}

std::string Instruction::toString(const ShaderVersion& version) const {
    if (isComment()) {
        return "; comment block of " + std::to_string(comment.size()) + " tokens";
    }
    std::string s = coissue ? "+" : "";
    s += info->name;
    if (hasDst) {
        switch (dst.shift) {
            case 1:
                s += "_x2";
                break;
            case 2:
                s += "_x4";
                break;
            case 3:
                s += "_x8";
                break;
            case -1:
                s += "_d2";
                break;
            case -2:
                s += "_d4";
                break;
            case -3:
                s += "_d8";
                break;
            default:
                if (dst.shift != 0) s += "_shift" + std::to_string(dst.shift);
                break;
        }
        if (dst.saturate) s += "_sat";
        s += ' ';
        s += DstText(dst, version);
    }
    for (unsigned i = 0; i < srcCount; ++i) {
        s += ", ";
        s += SrcText(src[i], version);
    }
    if (info->opClass == OpClass::Def)
        for (float f : literal) {
            s += ", ";
            s += FloatText(f);
        }
    return s;
}

}  // namespace gfx::shader
