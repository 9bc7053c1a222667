#include "json.h"

#include <charconv>
#include <ostream>

#include "growth.h"
#include "polynomial.h"

namespace {

// The length of the valid UTF-8 sequence at `i`, or 0 when there is none.
std::size_t utf8Length(const std::string& s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    std::size_t length;
    unsigned char low = 0x80, high = 0xbf;  // the range of the second byte
    if (c >= 0xc2 && c <= 0xdf) {
        length = 2;
    } else if (c >= 0xe0 && c <= 0xef) {
        length = 3;
        if (c == 0xe0)
            low = 0xa0;  // no overlong forms
        if (c == 0xed)
            high = 0x9f;  // no surrogates
    } else if (c >= 0xf0 && c <= 0xf4) {
        length = 4;
        if (c == 0xf0)
            low = 0x90;
        if (c == 0xf4)
            high = 0x8f;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > s.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xbf)
            return 0;
    return length;
}

}  // namespace

std::string jsonString(const std::string& bytes) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0xf];
        } else if (c >= 0x80) {
            const std::size_t length = utf8Length(bytes, i);
            if (length == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(bytes, i, length);
                i += length;
            }
            continue;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out + "\"";
}

std::string jsonNumber(float value) {
    char text[64];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    return std::string(text, end.ptr);
}

void writeJson(std::ostream& out, const std::string& file, const Polynomial& cost) {
    out << "{\"file\": " << jsonString(file) << ", \"degree\": " << cost.getDegree() << ", \"coefficients\": [";
    for (int power = 0; power <= cost.getDegree(); ++power)
        out << (power ? ", " : "") << jsonNumber(cost.getCoefficient(power));
    out << "], \"text\": " << jsonString(costText(cost)) << ", \"order\": " << jsonString(orderOfGrowth(cost)) << "}\n";
}
