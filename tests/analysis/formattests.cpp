#include <optional>
#include <string>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/format.h"
#include "loopcost/analysis/text.h"

using analysis::Analysis;
using analysis::CostModel;
using analysis::Edit;

namespace {

// The text with the edit applied; the text itself when there is none.
std::string appliedEdit(const std::string& text, const std::optional<Edit>& edit) {
    return edit ? analysis::applied(text, {*edit}) : text;
}

// Whether an offset lies between the '\r' and the '\n' of a line end.
bool splitsLineEnd(const std::string& text, std::size_t offset) {
    return offset > 0 && offset < text.size() && text[offset - 1] == '\r' && text[offset] == '\n';
}

}  // namespace

class FormatTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(FormatTests);
    CPPUNIT_TEST(wholeText);
    CPPUNIT_TEST(range);
    CPPUNIT_TEST_SUITE_END();

public:
    // The canonical layout with the text's first kind of line end and its
    // byte-order mark; one edit that splits no line end, after which there
    // is nothing more to do.
    void wholeText() {
        struct Case {
            const char* text;
            const char* formatted;  // null: no edit
        };
        const Case cases[] = {
            {"BEGIN a+b ; END", "BEGIN\n  a + b ;\nEND\n"},
            {"BEGIN\n  a ;\nEND\n", nullptr},
            {"BEGIN\r\n  a+b ;\r\nLOOP 2 c; END\r\nEND",
             "BEGIN\r\n  a + b ;\r\n  LOOP 2\r\n    c ;\r\n  END\r\nEND\r\n"},
            {"BEGIN\r  a+b ;\rLOOP 2 c; END\rEND", "BEGIN\r  a + b ;\r  LOOP 2\r    c ;\r  END\rEND\r"},
            {"BEGIN\r  a ;\rEND\r", nullptr},
            {"BEGIN\r\n  a ;\r\nEND\r\n", nullptr},
            // mixed: the first line end's kind
            {"BEGIN\r  a ;\r\nEND\n", "BEGIN\r  a ;\rEND\r"},
            {"BEGIN\r\na ;\nEND\r", "BEGIN\r\n  a ;\r\nEND\r\n"},
            {"BEGIN\na ;\r\nEND\r", "BEGIN\n  a ;\nEND\n"},
            // a blank line dropped between two line ends, and a line end added
            // before one
            {"BEGIN\r\n\r\n  a ;\r\nEND\r\n", "BEGIN\r\n  a ;\r\nEND\r\n"},
            {"BEGIN\r\n  a ; b ;\r\nEND\r\n", "BEGIN\r\n  a ;\r\n  b ;\r\nEND\r\n"},
            {"\xEF\xBB\xBF"
             "BEGIN a ; END\r\n",
             "\xEF\xBB\xBF"
             "BEGIN\r\n  a ;\r\nEND\r\n"},
            {"BEGIN a+ ; END", nullptr},  // does not read
            {"", nullptr},
        };
        for (const Case& c : cases) {
            const std::string text = c.text;
            const Analysis a(text, CostModel{});
            const std::optional<Edit> edit = analysis::formatOf(a);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(text, c.formatted != nullptr, edit.has_value());
            if (!edit)
                continue;
            CPPUNIT_ASSERT_MESSAGE(text, !splitsLineEnd(text, edit->offset));
            CPPUNIT_ASSERT_MESSAGE(text, !splitsLineEnd(text, edit->offset + edit->length));
            const std::string formatted = appliedEdit(text, edit);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(text, std::string(c.formatted), formatted);
            const Analysis again(formatted, CostModel{});
            CPPUNIT_ASSERT_MESSAGE(text, !analysis::formatOf(again));
        }
    }

    // The statements and loops that a range touches, laid out in their
    // block with the text's line ends; the rest as it stands.
    void range() {
        struct Case {
            const char* text;
            const char* touched;    // the range: the first place that holds this
            const char* formatted;  // null: no edit
        };
        const Case cases[] = {
            {"BEGIN\n  a+b ;\n  c*d ;\nEND\n", "a+b", "BEGIN\n  a + b ;\n  c*d ;\nEND\n"},
            {"BEGIN\r  a+b ;\r  c*d ;\rEND\r", "a+b", "BEGIN\r  a + b ;\r  c*d ;\rEND\r"},
            {"BEGIN\r  a+b ;\r  c*d ;\rEND\r", "b ;\r  c", "BEGIN\r  a + b ;\r  c * d ;\rEND\r"},
            {"BEGIN\r  LOOP 2 c; END\rEND\r", "LOOP", "BEGIN\r  LOOP 2\r    c ;\r  END\rEND\r"},
            {"BEGIN\r\n  LOOP 2 c; END\r\nEND\r\n", "LOOP", "BEGIN\r\n  LOOP 2\r\n    c ;\r\n  END\r\nEND\r\n"},
            {"BEGIN\r\n  LOOP 2 c; END\r\nEND\r\n", "c;", "BEGIN\r\n  LOOP 2 c ; END\r\nEND\r\n"},
            {"BEGIN\n  a + b ;\nEND\n", "a + b", nullptr},              // laid out already
            {"BEGIN a*b; c d ; e+f; END", "a*b; c d ; e+f;", nullptr},  // an error among them
            {"BEGIN\n  a+b ;\nEND\n", "BEGIN", nullptr},                // no statement touched
        };
        for (const Case& c : cases) {
            const std::string text = c.text;
            const std::string touched = c.touched;
            const std::size_t from = text.find(touched);
            CPPUNIT_ASSERT_MESSAGE(touched, from != std::string::npos);
            const Analysis a(text, CostModel{});
            const std::optional<Edit> edit = analysis::layoutOf(a, from, from + touched.size());
            const std::string where = text + " at " + touched;  // NOLINT(performance-inefficient-string-concatenation)
            CPPUNIT_ASSERT_EQUAL_MESSAGE(where, c.formatted != nullptr, edit.has_value());
            if (edit)
                CPPUNIT_ASSERT_EQUAL_MESSAGE(where, std::string(c.formatted), appliedEdit(text, edit));
        }
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(FormatTests);
