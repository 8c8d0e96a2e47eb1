#include "gfx/shader/Assembler.h"

#include <cctype>
#include <cstdlib>
#include <optional>

#include "gfx/shader/Decoder.h"
#include "gfx/shader/Instruction.h"
#include "gfx/shader/OpcodeTable.h"

namespace gfx::shader {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// One operand of a statement with the column it starts at (1-based).
struct Operand {
    std::string text;
    size_t column;
};

class LineParser {
  public:
    LineParser(std::string_view file, size_t line, std::string& error)
        : file_(file), line_(line), error_(error) {}

    bool fail(size_t column, const std::string& message) {
        error_ = std::string(file_) + ":" + std::to_string(line_) + ":" + std::to_string(column) +
                 ": " + message;
        return false;
    }

    // Parses a register name at the start of `text` ("r0", "c[a0.x + 3]", "oPos").
    // `used` receives the characters consumed.
    bool parseRegister(const std::string& text, size_t column, const ShaderVersion& v,
                       RegType& type, uint32_t& index, bool& relative, size_t& used) {
        relative = false;
        const std::string low = Lower(text);
        auto digitsAt = [&](size_t pos, uint32_t& value, size_t& end) {
            end = pos;
            value = 0;
            while (end < low.size() && std::isdigit(static_cast<unsigned char>(low[end]))) {
                value = value * 10 + static_cast<uint32_t>(low[end] - '0');
                if (value > 100000) return false;
                ++end;
            }
            return end > pos;
        };
        auto named = [&](const char* prefix, RegType t, uint32_t idx) {
            const size_t n = std::char_traits<char>::length(prefix);
            if (low.compare(0, n, prefix) != 0) return false;
            if (n < low.size() && std::isalnum(static_cast<unsigned char>(low[n]))) return false;
            type = t, index = idx, used = n;
            return true;
        };
        if (!v.pixel &&
            (named("opos", RegType::RastOut, kOutPos) || named("ofog", RegType::RastOut, kOutFog) ||
             named("opts", RegType::RastOut, kOutPts)))
            return true;
        if (low.rfind("c[", 0) == 0) {
            const size_t close = low.find(']');
            if (close == std::string::npos) return fail(column, "missing ']' in relative address");
            std::string inner;
            for (size_t i = 2; i < close; ++i)
                if (!IsSpace(low[i])) inner += low[i];
            // Forms: a0.x, a0.x+N, N+a0.x, N.
            uint32_t offset = 0;
            bool hasA0 = false;
            size_t pos = 0;
            while (pos < inner.size()) {
                if (inner.compare(pos, 4, "a0.x") == 0) {
                    if (hasA0) return fail(column, "a0.x named twice in relative address");
                    hasA0 = true;
                    pos += 4;
                } else {
                    size_t end = pos;
                    uint32_t value = 0;
                    while (end < inner.size() &&
                           std::isdigit(static_cast<unsigned char>(inner[end]))) {
                        value = value * 10 + static_cast<uint32_t>(inner[end] - '0');
                        if (value > 100000) return fail(column, "constant index too large");
                        ++end;
                    }
                    if (end == pos) return fail(column, "bad relative address '" + text + "'");
                    offset += value;
                    pos = end;
                }
                if (pos < inner.size()) {
                    if (inner[pos] != '+')
                        return fail(column, "bad relative address '" + text + "'");
                    ++pos;
                    if (pos == inner.size())
                        return fail(column, "bad relative address '" + text + "'");
                }
            }
            if (inner.empty()) return fail(column, "empty relative address");
            type = RegType::Const, index = offset, relative = hasA0, used = close + 1;
            return true;
        }
        struct Prefix {
            const char* name;
            RegType type;
            bool vs, ps;
        };
        static const Prefix prefixes[] = {
            {"od", RegType::AttrOut, true, false}, {"ot", RegType::TexCrdOut, true, false},
            {"r", RegType::Temp, true, true},      {"v", RegType::Input, true, true},
            {"c", RegType::Const, true, true},     {"t", RegType::Texture, false, true},
            {"a", kAddrReg, true, false},
        };
        for (const Prefix& p : prefixes) {
            if (!(v.pixel ? p.ps : p.vs)) continue;
            const size_t n = std::char_traits<char>::length(p.name);
            if (low.compare(0, n, p.name) != 0) continue;
            size_t end = 0;
            uint32_t value = 0;
            if (!digitsAt(n, value, end)) continue;
            type = p.type, index = value, used = end;
            return true;
        }
        return fail(column, "unknown register '" + text + "'");
    }

    // ".xyz", ".rgb" (letters in order) into a write mask.
    bool parseMask(const std::string& s, size_t column, uint8_t& mask) {
        const std::string low = Lower(s);
        mask = 0;
        int last = -1;
        for (char c : low) {
            int comp = Component(c);
            if (comp < 0) return fail(column, "bad write mask '." + s + "'");
            if (comp <= last)
                return fail(column, "write mask components out of order in '." + s + "'");
            last = comp;
            mask |= static_cast<uint8_t>(1u << comp);
        }
        if (mask == 0) return fail(column, "empty write mask");
        return true;
    }

    // ".w", ".xy", ".zyxw": fewer than four letters repeat the last one.
    bool parseSwizzle(const std::string& s, size_t column, uint8_t& swizzle) {
        const std::string low = Lower(s);
        if (low.empty() || low.size() > 4) return fail(column, "bad swizzle '." + s + "'");
        swizzle = 0;
        int comp = 0;
        for (size_t i = 0; i < 4; ++i) {
            if (i < low.size()) {
                comp = Component(low[i]);
                if (comp < 0) return fail(column, "bad swizzle '." + s + "'");
            }
            swizzle |= static_cast<uint8_t>(comp << (2 * i));
        }
        return true;
    }

    static int Component(char c) {
        switch (c) {
            case 'x':
            case 'r':
                return 0;
            case 'y':
            case 'g':
                return 1;
            case 'z':
            case 'b':
                return 2;
            case 'w':
            case 'a':
                return 3;
            default:
                return -1;
        }
    }

    bool parseDst(const Operand& op, const ShaderVersion& v, DstParam& dst) {
        RegType type;
        uint32_t index;
        bool relative;
        size_t used;
        if (!parseRegister(op.text, op.column, v, type, index, relative, used)) return false;
        if (relative) return fail(op.column, "a destination cannot be addressed relatively");
        dst.type = type, dst.index = index, dst.mask = kFullMask;
        std::string rest = op.text.substr(used);
        if (!rest.empty()) {
            if (rest[0] != '.') return fail(op.column + used, "unexpected '" + rest + "'");
            if (!parseMask(rest.substr(1), op.column + used, dst.mask)) return false;
        }
        return true;
    }

    bool parseSrc(const Operand& op, const ShaderVersion& v, SrcParam& src) {
        std::string text = op.text;
        size_t column = op.column;
        bool negate = false, complement = false;
        if (text.rfind("1-", 0) == 0) {
            complement = true;
            text.erase(0, 2), column += 2;
        } else if (!text.empty() && text[0] == '-') {
            negate = true;
            text.erase(0, 1), column += 1;
        }
        while (!text.empty() && IsSpace(text[0])) text.erase(0, 1), ++column;
        RegType type;
        uint32_t index;
        bool relative;
        size_t used;
        if (!parseRegister(text, column, v, type, index, relative, used)) return false;
        src.type = type, src.index = index, src.relative = relative;
        src.swizzle = kIdentitySwizzle;
        std::string suffix;  // _bias etc.
        bool haveSwizzle = false;
        std::string rest = text.substr(used);
        size_t restCol = column + used;
        while (!rest.empty()) {
            if (rest[0] == '_') {
                size_t end = 1;
                while (end < rest.size() && std::isalnum(static_cast<unsigned char>(rest[end])))
                    ++end;
                if (!suffix.empty()) return fail(restCol, "two source modifiers");
                suffix = Lower(rest.substr(1, end - 1));
                rest.erase(0, end), restCol += end;
            } else if (rest[0] == '.') {
                size_t end = 1;
                while (end < rest.size() && std::isalpha(static_cast<unsigned char>(rest[end])))
                    ++end;
                if (haveSwizzle) return fail(restCol, "two swizzles");
                if (!parseSwizzle(rest.substr(1, end - 1), restCol, src.swizzle)) return false;
                haveSwizzle = true;
                rest.erase(0, end), restCol += end;
            } else {
                return fail(restCol, "unexpected '" + rest + "'");
            }
        }
        SrcMod mod = SrcMod::None;
        if (suffix.empty()) {
            mod = complement ? SrcMod::Comp : negate ? SrcMod::Neg : SrcMod::None;
        } else {
            if (complement) return fail(op.column, "'1-' cannot combine with _" + suffix);
            if (suffix == "bias")
                mod = negate ? SrcMod::BiasNeg : SrcMod::Bias;
            else if (suffix == "bx2")
                mod = negate ? SrcMod::SignNeg : SrcMod::Sign;
            else if (suffix == "x2")
                mod = negate ? SrcMod::X2Neg : SrcMod::X2;
            else if (suffix == "dz" || suffix == "db")
                mod = SrcMod::Dz;
            else if (suffix == "dw" || suffix == "da")
                mod = SrcMod::Dw;
            else
                return fail(op.column, "unknown source modifier '_" + suffix + "'");
            if (negate && (mod == SrcMod::Dz || mod == SrcMod::Dw))
                return fail(op.column, "'-' cannot combine with _" + suffix);
        }
        src.mod = mod;
        return true;
    }

  private:
    std::string_view file_;
    size_t line_;
    std::string& error_;
};

// Splits "a, b, c" into trimmed operands with their columns.
std::vector<Operand> SplitOperands(std::string_view text, size_t baseColumn) {
    std::vector<Operand> out;
    size_t start = 0;
    int depth = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        if (!end && text[i] == '[') ++depth;
        if (!end && text[i] == ']') --depth;
        if (end || (text[i] == ',' && depth == 0)) {
            size_t b = start, e = i;
            while (b < e && IsSpace(text[b])) ++b;
            while (e > b && IsSpace(text[e - 1])) --e;
            out.push_back({std::string(text.substr(b, e - b)), baseColumn + b});
            start = i + 1;
        }
    }
    return out;
}

std::optional<ShaderVersion> ParseVersionWord(const std::string& low) {
    if (low.size() != 6) return std::nullopt;
    if ((low[0] != 'v' && low[0] != 'p') || low[1] != 's') return std::nullopt;
    if ((low[2] != '.' && low[2] != '_') || low[4] != low[2]) return std::nullopt;
    if (!std::isdigit(static_cast<unsigned char>(low[3])) ||
        !std::isdigit(static_cast<unsigned char>(low[5])))
        return std::nullopt;
    ShaderVersion v;
    v.pixel = low[0] == 'p';
    v.major = static_cast<uint8_t>(low[3] - '0');
    v.minor = static_cast<uint8_t>(low[5] - '0');
    return v;
}

}  // namespace

bool Assemble(std::string_view source, std::string_view fileName, std::vector<uint32_t>& tokens,
              std::string& error) {
    tokens.clear();
    std::optional<ShaderVersion> version;
    size_t lineNo = 0;
    size_t pos = 0;
    std::vector<uint32_t> out;
    struct Placed {
        size_t offset, line, column;
    };
    std::vector<Placed> placed;  // where each instruction came from
    while (pos <= source.size()) {
        size_t eol = source.find('\n', pos);
        if (eol == std::string_view::npos) eol = source.size();
        std::string_view line = source.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNo;
        LineParser p(fileName, lineNo, error);

        // Strip comments.
        size_t cut = line.size();
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == ';' || (line[i] == '/' && i + 1 < line.size() && line[i + 1] == '/')) {
                cut = i;
                break;
            }
        }
        line = line.substr(0, cut);
        size_t b = 0;
        while (b < line.size() && IsSpace(line[b])) ++b;
        size_t e = line.size();
        while (e > b && IsSpace(line[e - 1])) --e;
        if (b == e) {
            if (eol == source.size()) break;
            continue;
        }
        for (size_t i = b; i < e; ++i)
            if (static_cast<unsigned char>(line[i]) < 0x20 && !IsSpace(line[i]))
                return p.fail(i + 1, "control character in source");

        size_t cursor = b;
        bool coissue = false;
        if (line[cursor] == '+') {
            coissue = true;
            ++cursor;
            while (cursor < e && IsSpace(line[cursor])) ++cursor;
        }
        const size_t wordCol = cursor + 1;
        size_t wordEnd = cursor;
        while (wordEnd < e && !IsSpace(line[wordEnd]) && line[wordEnd] != ',') ++wordEnd;
        const std::string word = Lower(line.substr(cursor, wordEnd - cursor));

        if (!version) {
            auto v = ParseVersionWord(word);
            if (!v || coissue)
                return p.fail(wordCol, "expected a version line such as vs.1.1 or ps.1.4");
            std::string verr;
            ShaderVersion checked;
            if (!DecodeVersion(v->token(), checked, verr))
                return p.fail(wordCol, "unsupported version '" + word + "'");
            size_t after = wordEnd;
            while (after < e && IsSpace(line[after])) ++after;
            if (after != e) return p.fail(after + 1, "unexpected text after the version");
            version = checked;
            out.push_back(checked.token());
            continue;
        }
        if (ParseVersionWord(word)) return p.fail(wordCol, "a second version line");

        // opcode and its modifiers
        std::string name = word;
        std::vector<std::string> mods;
        if (size_t us = word.find('_'); us != std::string::npos) {
            name = word.substr(0, us);
            size_t s = us + 1;
            while (s <= word.size()) {
                size_t n = word.find('_', s);
                if (n == std::string::npos) n = word.size();
                mods.push_back(word.substr(s, n - s));
                s = n + 1;
            }
        }
        bool elsewhere = false;
        const OpcodeInfo* info = FindOpcodeByName(name, *version, &elsewhere);
        if (!info) {
            if (elsewhere)
                return p.fail(wordCol,
                              "instruction '" + name + "' is not available in this version");
            return p.fail(wordCol, "unknown instruction '" + name + "'");
        }
        Instruction ins;
        ins.info = info;
        ins.opcode = info->opcode;
        ins.coissue = coissue;
        ins.offset = out.size();
        for (const std::string& m : mods) {
            if (!info->dstCount || info->opClass == OpClass::Def)
                return p.fail(wordCol, "'" + name + "' takes no instruction modifier");
            int shift = 0;
            if (m == "sat") {
                if (ins.dst.saturate) return p.fail(wordCol, "_sat given twice");
                ins.dst.saturate = true;
                continue;
            }
            if (m == "x2")
                shift = 1;
            else if (m == "x4")
                shift = 2;
            else if (m == "x8")
                shift = 3;
            else if (m == "d2")
                shift = -1;
            else if (m == "d4")
                shift = -2;
            else if (m == "d8")
                shift = -3;
            else
                return p.fail(wordCol, "unknown instruction modifier '_" + m + "'");
            if (ins.dst.shift != 0) return p.fail(wordCol, "two result shifts");
            ins.dst.shift = static_cast<int8_t>(shift);
        }

        std::vector<Operand> ops;
        size_t opStart = wordEnd;
        while (opStart < e && IsSpace(line[opStart])) ++opStart;
        if (opStart < e) ops = SplitOperands(line.substr(opStart, e - opStart), opStart + 1);
        const size_t expected =
            info->dstCount + info->srcCount + (info->opClass == OpClass::Def ? 4u : 0u);
        if (ops.size() != expected)
            return p.fail(wordCol, "'" + name + "' takes " + std::to_string(expected) +
                                       " operands, " + std::to_string(ops.size()) + " given");
        for (const Operand& op : ops)
            if (op.text.empty()) return p.fail(op.column, "empty operand");
        size_t k = 0;
        if (info->dstCount) {
            const DstParam mods2 = ins.dst;
            if (!p.parseDst(ops[k++], *version, ins.dst)) return false;
            ins.dst.saturate = mods2.saturate;
            ins.dst.shift = mods2.shift;
            ins.hasDst = true;
        }
        for (unsigned i = 0; i < info->srcCount; ++i)
            if (!p.parseSrc(ops[k++], *version, ins.src[i])) return false;
        ins.srcCount = info->srcCount;
        if (info->opClass == OpClass::Def) {
            for (float& f : ins.literal) {
                const Operand& op = ops[k++];
                if (!ParseFloatText(op.text, f))
                    return p.fail(op.column, "'" + op.text + "' is not a number");
            }
        }
        std::string verr;
        if (!ValidateInstruction(ins, *version, verr)) {
            // Point at the operand the decoder's message names.
            size_t column = wordCol;
            const size_t colon = verr.find(": ");
            size_t tokenAt = 0;
            if (verr.rfind("token ", 0) == 0) tokenAt = std::strtoul(verr.c_str() + 6, nullptr, 10);
            if (tokenAt > ins.offset && tokenAt - ins.offset - 1 < ops.size())
                column = ops[tokenAt - ins.offset - 1].column;
            return p.fail(column, colon == std::string::npos ? verr : verr.substr(colon + 2));
        }
        placed.push_back({ins.offset, lineNo, wordCol});
        ins.write(out);
    }
    if (!version) {
        LineParser p(fileName, lineNo ? lineNo : 1, error);
        return p.fail(1, "no version line");
    }
    out.push_back(kEndToken);
    // The whole stream must pass the decoder (stream-level rules such as co-issue pairing and
    // a single phase); map a failure back to its line.
    Program program;
    std::string derr;
    if (!Decode(out.data(), out.size(), program, derr)) {
        size_t tokenAt = 0;
        if (derr.rfind("token ", 0) == 0) tokenAt = std::strtoul(derr.c_str() + 6, nullptr, 10);
        Placed where{0, lineNo, 1};
        for (const Placed& pl : placed)
            if (pl.offset <= tokenAt) where = pl;
        const size_t colon = derr.find(": ");
        LineParser p(fileName, where.line, error);
        return p.fail(where.column, colon == std::string::npos ? derr : derr.substr(colon + 2));
    }
    tokens = std::move(out);
    return true;
}

bool Disassemble(const uint32_t* tokens, size_t count, std::string& text, std::string& error) {
    Program program;
    if (!Decode(tokens, count, program, error)) return false;
    const ShaderVersion& v = program.version;
    text = std::string(v.pixel ? "ps." : "vs.") + std::to_string(v.major) + "." +
           std::to_string(v.minor) + "\n";
    for (const Instruction& ins : program.instructions) text += ins.toString(v) + "\n";
    return true;
}

}  // namespace gfx::shader
