#include <cppunit/extensions/HelperMacros.h>

#include <cstdint>
#include <string>
#include <vector>

#include "loopcost/lsp/document.h"
#include "loopcost/lsp/editabletext.h"
#include "loopcost/lsp/gapbuffer.h"
#include "loopcost/lsp/position.h"

namespace {

using lsp::EditableText;
using lsp::Encoding;
using lsp::Position;

bool at(const Position& p, std::size_t line, std::size_t character) {
    return p.line == line && p.character == character;
}

bool same(const Position& a, const Position& b) { return a.line == b.line && a.character == b.character; }

// Whether a text changed in place maps lines and positions as one made from
// its bytes does, at every offset, in every encoding.
void assertSameAsFresh(EditableText& changed, const std::string& expected) {
    CPPUNIT_ASSERT_EQUAL(expected, std::string(changed.contiguous()));
    const EditableText fresh(expected);
    CPPUNIT_ASSERT_EQUAL(fresh.lineCount(), changed.lineCount());
    for (std::size_t line = 0; line < fresh.lineCount(); ++line) {
        CPPUNIT_ASSERT_EQUAL(fresh.lineStart(line), changed.lineStart(line));
        CPPUNIT_ASSERT_EQUAL(fresh.lineEnd(line), changed.lineEnd(line));
    }
    for (Encoding e : {Encoding::utf8, Encoding::utf16, Encoding::utf32}) {
        for (std::size_t offset = 0; offset <= expected.size() + 1; ++offset) {
            CPPUNIT_ASSERT(same(fresh.positionOf(offset, e), changed.positionOf(offset, e)));
            CPPUNIT_ASSERT(same(fresh.positionOf(offset, e, true), changed.positionOf(offset, e, true)));
        }
        for (std::size_t line = 0; line <= fresh.lineCount(); ++line)
            for (std::size_t character = 0; character < 12; ++character)
                CPPUNIT_ASSERT_EQUAL(fresh.offsetOf(Position{line, character}, e),
                                     changed.offsetOf(Position{line, character}, e));
    }
}

}  // namespace

class PositionTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(PositionTests);
    CPPUNIT_TEST(asciiLines);
    CPPUNIT_TEST(lineEnds);
    CPPUNIT_TEST(twoAndThreeByteCharacters);
    CPPUNIT_TEST(surrogatePairs);
    CPPUNIT_TEST(strayBytes);
    CPPUNIT_TEST(insideACharacter);
    CPPUNIT_TEST(clamped);
    CPPUNIT_TEST(roundTripEveryOffset);
    CPPUNIT_TEST(longLineCountedOnce);
    CPPUNIT_TEST(incrementalEdits);
    CPPUNIT_TEST(lineEndsMadeAndUnmade);
    CPPUNIT_TEST(randomChangesMapAsAFreshText);
    CPPUNIT_TEST(changesCostWhatTheyChange);
    CPPUNIT_TEST(typingOnALongLineCountsOnce);
    CPPUNIT_TEST(gapBuffer);
    CPPUNIT_TEST_SUITE_END();

public:
    void asciiLines() {
        const EditableText map("BEGIN\n  a ;\nEND");
        CPPUNIT_ASSERT_EQUAL(std::size_t(3), map.lineCount());
        CPPUNIT_ASSERT(at(map.positionOf(8, Encoding::utf16), 1, 2));
        CPPUNIT_ASSERT_EQUAL(std::size_t(8), map.offsetOf(Position{1, 2}, Encoding::utf16));
        CPPUNIT_ASSERT(at(map.positionOf(15, Encoding::utf8), 2, 3));
    }

    void lineEnds() {
        const EditableText map("a\r\nb\rc\nd");
        CPPUNIT_ASSERT_EQUAL(std::size_t(4), map.lineCount());
        CPPUNIT_ASSERT(at(map.positionOf(3, Encoding::utf16), 1, 0));
        CPPUNIT_ASSERT(at(map.positionOf(5, Encoding::utf16), 2, 0));
        CPPUNIT_ASSERT(at(map.positionOf(7, Encoding::utf16), 3, 0));
        // between '\r' and '\n': the end of the line
        CPPUNIT_ASSERT(at(map.positionOf(2, Encoding::utf16), 0, 1));
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), map.offsetOf(Position{0, 5}, Encoding::utf16));
        CPPUNIT_ASSERT_EQUAL(std::size_t(4), map.lineEnd(1));
    }

    void twoAndThreeByteCharacters() {
        const std::string text = "\xC3\xA9t\xE2\x82\xAC"
                                 "x";  // é t € x
        const EditableText map(text);
        CPPUNIT_ASSERT(at(map.positionOf(2, Encoding::utf16), 0, 1));
        CPPUNIT_ASSERT(at(map.positionOf(6, Encoding::utf16), 0, 3));
        CPPUNIT_ASSERT(at(map.positionOf(6, Encoding::utf32), 0, 3));
        CPPUNIT_ASSERT(at(map.positionOf(6, Encoding::utf8), 0, 6));
        CPPUNIT_ASSERT_EQUAL(std::size_t(6), map.offsetOf(Position{0, 3}, Encoding::utf16));
        CPPUNIT_ASSERT_EQUAL(std::size_t(3), map.offsetOf(Position{0, 2}, Encoding::utf16));
    }

    void surrogatePairs() {
        const std::string text = "a\xF0\x9D\x91\x8E"
                                 "b";  // a 𝑎 b
        const EditableText map(text);
        CPPUNIT_ASSERT(at(map.positionOf(5, Encoding::utf16), 0, 3));
        CPPUNIT_ASSERT(at(map.positionOf(5, Encoding::utf32), 0, 2));
        CPPUNIT_ASSERT_EQUAL(std::size_t(5), map.offsetOf(Position{0, 3}, Encoding::utf16));
        // the middle of the pair: the start of its code point
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), map.offsetOf(Position{0, 2}, Encoding::utf16));
        CPPUNIT_ASSERT_EQUAL(std::size_t(5), map.offsetOf(Position{0, 2}, Encoding::utf32));
    }

    void strayBytes() {
        // a lone continuation byte, a lead byte cut short, an overlong form, a surrogate
        const std::string text = "\x80"
                                 "a\xE2\x82"
                                 "b\xC0\xAF"
                                 "c\xED\xA0\x80"
                                 "d";
        const EditableText map(text);
        CPPUNIT_ASSERT(at(map.positionOf(1, Encoding::utf16), 0, 1));
        CPPUNIT_ASSERT(at(map.positionOf(4, Encoding::utf16), 0, 4));
        CPPUNIT_ASSERT(at(map.positionOf(7, Encoding::utf16), 0, 7));
        CPPUNIT_ASSERT(at(map.positionOf(11, Encoding::utf16), 0, 11));
        CPPUNIT_ASSERT_EQUAL(std::size_t(11), map.offsetOf(Position{0, 11}, Encoding::utf32));
    }

    void insideACharacter() {
        const std::string text = "x\xE2\x82\xAC"
                                 "y";
        const EditableText map(text);
        CPPUNIT_ASSERT(at(map.positionOf(2, Encoding::utf16), 0, 1));
        CPPUNIT_ASSERT(at(map.positionOf(2, Encoding::utf16, true), 0, 2));
        CPPUNIT_ASSERT(at(map.positionOf(4, Encoding::utf16, true), 0, 2));
    }

    void clamped() {
        const EditableText map("ab\ncd");
        CPPUNIT_ASSERT_EQUAL(std::size_t(2), map.offsetOf(Position{0, 99}, Encoding::utf16));
        CPPUNIT_ASSERT_EQUAL(std::size_t(5), map.offsetOf(Position{7, 0}, Encoding::utf16));
        CPPUNIT_ASSERT(at(map.positionOf(99, Encoding::utf16), 1, 2));
        const EditableText empty("");
        CPPUNIT_ASSERT(at(empty.positionOf(0, Encoding::utf16), 0, 0));
        CPPUNIT_ASSERT_EQUAL(std::size_t(0), empty.offsetOf(Position{0, 3}, Encoding::utf16));
    }

    // Every character boundary maps to a position and back.
    void roundTripEveryOffset() {
        const std::string text = "BEGIN \xC3\xA9\n\xF0\x9F\x98\x80 a\r\n\xE2\x82\xAC\x80;\rEND";
        const EditableText map(text);
        for (Encoding e : {Encoding::utf8, Encoding::utf16, Encoding::utf32})
            for (std::size_t offset = 0; offset <= text.size(); ++offset) {
                const Position p = map.positionOf(offset, e);
                const std::size_t back = map.offsetOf(p, e);
                CPPUNIT_ASSERT(back <= offset);
                CPPUNIT_ASSERT(map.positionOf(back, e).character == p.character);
            }
    }

    // Positions asked for in order along one long line go on from the last.
    void longLineCountedOnce() {
        std::string text = "\xC3\xA9";
        for (int i = 0; i < 200000; ++i)
            text += "a ; ";
        const EditableText map(text);
        for (std::size_t offset = 2; offset < text.size(); offset += 4)
            CPPUNIT_ASSERT_EQUAL(offset - 1, map.positionOf(offset, Encoding::utf16).character);
    }

    void incrementalEdits() {
        lsp::Document d("file:///x.lc",
                        "\xC3\xA9"
                        "BEGIN\r\nEND",
                        1);
        d.replace(Position{0, 6}, Position{0, 6}, " a ;", Encoding::utf16);
        CPPUNIT_ASSERT_EQUAL(std::string("\xC3\xA9"
                                         "BEGIN a ;\r\nEND"),
                             std::string(d.text()));
        d.replace(Position{1, 0}, Position{0, 1}, "", Encoding::utf16);  // either order
        CPPUNIT_ASSERT_EQUAL(std::string("\xC3\xA9"
                                         "END"),
                             std::string(d.text()));
        d.replace(Position{0, 3}, Position{9, 9}, "!", Encoding::utf8);
        CPPUNIT_ASSERT_EQUAL(std::string("\xC3\xA9"
                                         "E!"),
                             std::string(d.text()));
        d.replaceAll("BEGIN a ; END");
        CPPUNIT_ASSERT(d.analysis(analysis::CostModel()).ok());
    }

    // Changes at the edges of line ends: "\r" and "\n" joined into one line
    // end and parted again, a line's first wide byte removed.
    void lineEndsMadeAndUnmade() {
        struct Step {
            std::size_t from;
            std::size_t to;
            const char* with;
        };
        const std::vector<Step> steps = {
            {1, 1, "\n"},         // "a\r" + "\n": one line end
            {2, 2, "x"},          // "\r" x "\n": two again
            {2, 3, ""},           // and one
            {0, 0, "\xC3\xA9"},   // a wide byte first on the line
            {0, 2, ""},           // removed: the next wide byte is further on
            {0, 0, "\r"},         // a lone "\r" before everything
            {1, 1, "\n"},         // which takes a "\n"
            {5, 5, "\r"},         // "\r" before a "\n"
            {0, 99, "\r\n\r\n"},  // the whole text
            {1, 3, ""},           // from the middle of one "\r\n" to the middle of the next
        };
        std::string expected = "a\rb\xE2\x82\xAC"
                               "c\n\xF0\x9D\x91\x8E";
        EditableText text(expected);
        for (const Step& step : steps) {
            const std::size_t to = std::min(step.to, expected.size());
            text.replace(step.from, step.to, step.with);
            expected.replace(step.from, to - step.from, step.with);
            assertSameAsFresh(text, expected);
        }
    }

    // Random changes of random texts of line ends, wide characters and stray
    // bytes, each checked against the text made afresh.
    void randomChangesMapAsAFreshText() {
        const std::vector<std::string> pieces = {
            "a", "b ", "\r", "\n", "\r\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9D\x91\x8E", "\x80", "\xE2\x82", ";"};
        std::uint32_t seed = 2024;
        const auto random = [&seed](std::size_t below) {
            seed = seed * 1103515245U + 12345U;
            return static_cast<std::size_t>((seed >> 8) % below);
        };
        const auto some = [&](std::size_t most) {
            std::string s;
            for (std::size_t n = random(most + 1); n > 0; --n)
                s += pieces[random(pieces.size())];
            return s;
        };
        for (int round = 0; round < 60; ++round) {
            std::string expected = some(12);
            EditableText text(expected);
            for (int change = 0; change < 25; ++change) {
                const std::size_t from = random(expected.size() + 1);
                const std::size_t to = from + random(expected.size() - from + 1);
                const std::string with = some(3);
                text.replace(from, to, with);
                expected.replace(from, to - from, with);
                assertSameAsFresh(text, expected);
            }
        }
    }

    // A thousand characters typed into 4 MB: the changes move and read the
    // text about once (the gap made room once), where making the lines again
    // would read it a thousand times.
    void changesCostWhatTheyChange() {
        std::string program = "BEGIN\n";
        while (program.size() < 4000000)
            program += "  LOOP n\n    a + b * c ;\n  END\n";
        program += "END\n";
        EditableText text(program);
        const std::size_t middle = text.lineStart(text.lineCount() / 2) + 4;
        for (std::size_t i = 0; i < 1000; ++i)
            text.replace(middle + i, middle + i, i % 40 == 39 ? "\n" : "x");
        CPPUNIT_ASSERT(text.changeWork() < 2 * program.size());
        CPPUNIT_ASSERT_EQUAL(std::size_t(4), text.positionOf(middle, Encoding::utf16).character);
        CPPUNIT_ASSERT_EQUAL(text.lineOf(middle) + 25, text.lineOf(middle + 1000));
    }

    // Typing at the end of a long line whose first character is not ASCII:
    // each change's column is counted on from the last, not from the start.
    void typingOnALongLineCountsOnce() {
        std::string expected = "BEGIN \xF0\x9D\x91\x8E ";  // a character of 4 bytes, 2 UTF-16 units
        for (int i = 0; i < 100000; ++i)
            expected += "a ; ";
        EditableText text(expected);
        std::size_t units = expected.size() - 2;
        for (std::size_t i = 0; i < 1000; ++i, ++units) {
            const std::size_t at = text.offsetOf(Position{0, units}, Encoding::utf16);
            CPPUNIT_ASSERT_EQUAL(expected.size(), at);
            const std::string typed = i % 2 ? "\xC3\xA9" : "b";  // 2 bytes or 1, one unit
            text.replace(at, at, typed);
            expected += typed;
        }
        CPPUNIT_ASSERT(text.charactersCounted() < expected.size() + 10000);
        const EditableText fresh(expected);
        for (std::size_t c = units - 50; c <= units + 2; ++c)
            CPPUNIT_ASSERT_EQUAL(fresh.offsetOf(Position{0, c}, Encoding::utf16),
                                 text.offsetOf(Position{0, c}, Encoding::utf16));
        CPPUNIT_ASSERT_EQUAL(expected, std::string(text.contiguous()));
    }

    void gapBuffer() {
        lsp::GapBuffer buffer("0123456789");
        buffer.replace(2, 4, "ab");   // gap after "01ab"
        buffer.replace(8, 8, "XYZ");  // moved past "4567"
        std::string scratch;
        CPPUNIT_ASSERT_EQUAL(std::string("ab456"), std::string(buffer.view(2, 7, scratch)));
        CPPUNIT_ASSERT_EQUAL(std::string("7XY"), std::string(buffer.view(7, 10, scratch)));  // across the gap
        CPPUNIT_ASSERT_EQUAL('Z', buffer[10]);
        buffer.replace(0, 13, "");
        CPPUNIT_ASSERT_EQUAL(std::string(), std::string(buffer.contiguous()));
        buffer.replace(0, 0, std::string(10000, 'q'));  // more than the gap holds
        CPPUNIT_ASSERT_EQUAL(std::string(10000, 'q'), std::string(buffer.contiguous()));
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(PositionTests);
