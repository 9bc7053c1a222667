#include <cppunit/extensions/HelperMacros.h>

#include <string>

#include "document.h"
#include "position.h"

namespace {

using lsp::Encoding;
using lsp::Position;
using lsp::PositionMap;

bool at(const Position& p, std::size_t line, std::size_t character) {
    return p.line == line && p.character == character;
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
    CPPUNIT_TEST_SUITE_END();

public:
    void asciiLines() {
        const PositionMap map("BEGIN\n  a ;\nEND");
        CPPUNIT_ASSERT_EQUAL(std::size_t(3), map.lineCount());
        CPPUNIT_ASSERT(at(map.positionOf(8, Encoding::utf16), 1, 2));
        CPPUNIT_ASSERT_EQUAL(std::size_t(8), map.offsetOf(Position{1, 2}, Encoding::utf16));
        CPPUNIT_ASSERT(at(map.positionOf(15, Encoding::utf8), 2, 3));
    }

    void lineEnds() {
        const PositionMap map("a\r\nb\rc\nd");
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
        const PositionMap map(text);
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
        const PositionMap map(text);
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
        const PositionMap map(text);
        CPPUNIT_ASSERT(at(map.positionOf(1, Encoding::utf16), 0, 1));
        CPPUNIT_ASSERT(at(map.positionOf(4, Encoding::utf16), 0, 4));
        CPPUNIT_ASSERT(at(map.positionOf(7, Encoding::utf16), 0, 7));
        CPPUNIT_ASSERT(at(map.positionOf(11, Encoding::utf16), 0, 11));
        CPPUNIT_ASSERT_EQUAL(std::size_t(11), map.offsetOf(Position{0, 11}, Encoding::utf32));
    }

    void insideACharacter() {
        const std::string text = "x\xE2\x82\xAC"
                                 "y";
        const PositionMap map(text);
        CPPUNIT_ASSERT(at(map.positionOf(2, Encoding::utf16), 0, 1));
        CPPUNIT_ASSERT(at(map.positionOf(2, Encoding::utf16, true), 0, 2));
        CPPUNIT_ASSERT(at(map.positionOf(4, Encoding::utf16, true), 0, 2));
    }

    void clamped() {
        const PositionMap map("ab\ncd");
        CPPUNIT_ASSERT_EQUAL(std::size_t(2), map.offsetOf(Position{0, 99}, Encoding::utf16));
        CPPUNIT_ASSERT_EQUAL(std::size_t(5), map.offsetOf(Position{7, 0}, Encoding::utf16));
        CPPUNIT_ASSERT(at(map.positionOf(99, Encoding::utf16), 1, 2));
        const PositionMap empty("");
        CPPUNIT_ASSERT(at(empty.positionOf(0, Encoding::utf16), 0, 0));
        CPPUNIT_ASSERT_EQUAL(std::size_t(0), empty.offsetOf(Position{0, 3}, Encoding::utf16));
    }

    // Every character boundary maps to a position and back.
    void roundTripEveryOffset() {
        const std::string text = "BEGIN \xC3\xA9\n\xF0\x9F\x98\x80 a\r\n\xE2\x82\xAC\x80;\rEND";
        const PositionMap map(text);
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
        const PositionMap map(text);
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
                             d.text());
        d.replace(Position{1, 0}, Position{0, 1}, "", Encoding::utf16);  // either order
        CPPUNIT_ASSERT_EQUAL(std::string("\xC3\xA9"
                                         "END"),
                             d.text());
        d.replace(Position{0, 3}, Position{9, 9}, "!", Encoding::utf8);
        CPPUNIT_ASSERT_EQUAL(std::string("\xC3\xA9"
                                         "E!"),
                             d.text());
        d.replaceAll("BEGIN a ; END");
        CPPUNIT_ASSERT(d.analysis(analysis::CostModel()).ok());
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(PositionTests);
