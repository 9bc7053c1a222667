#include <cstring>
#include <sstream>

#include <cppunit/TestFixture.h>
#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/model/expression.h"
#include "loopcost/model/expressionstatement.h"
#include "loopcost/model/loopstatement.h"
#include "loopcost/model/program.h"
#include "loopcost/model/statementlist.h"
#include "loopcost/model/term.h"
#include "loopcost/model/variable.h"

class ParseTreeTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(ParseTreeTests);
    CPPUNIT_TEST(testTermConstrution);
    CPPUNIT_TEST(testExpressionConstrution);
    CPPUNIT_TEST(testExpressionStatementConstrution);
    CPPUNIT_TEST(testLoopStatementConstrution);
    CPPUNIT_TEST(testStatementlistConstrution);
    CPPUNIT_TEST(testProgramConstrution);
    CPPUNIT_TEST_SUITE_END();

public:
    void setUp() override {}
    void tearDown() override {}

    void testTermConstrution() {
        Term expected0(new Variable('z'), NULL);
        Term term0(1, "z");
        CPPUNIT_ASSERT(term0.equal(expected0));

        Term expected1(new Variable('c'), new Term(new Variable('b'), new Term(new Variable('a'), NULL)));
        Term term1(5, "a*b*c");
        CPPUNIT_ASSERT(term1.equal(expected1));
    }

    void testExpressionConstrution() {
        const char* buf[7] = {"a", "a*b", "a+b", "a+b*c", "a*b+c", "a*b+c*d", "a+b+c"};
        Expression* expected[7] = {
            new Expression(new Term(new Variable('a'), 0), 0),
            new Expression(new Term(new Variable('b'), new Term(new Variable('a'), 0)), 0),
            new Expression(new Term(new Variable('b'), 0), new Expression(new Term(new Variable('a'), 0), 0)),
            new Expression(new Term(new Variable('c'), new Term(new Variable('b'), 0)),
                           new Expression(new Term(new Variable('a'), 0), 0)),
            new Expression(new Term(new Variable('c'), 0),
                           new Expression(new Term(new Variable('b'), new Term(new Variable('a'), 0)), 0)),
            new Expression(new Term(new Variable('d'), new Term(new Variable('c'), 0)),
                           new Expression(new Term(new Variable('b'), new Term(new Variable('a'), 0)), 0)),
            new Expression(
                new Term(new Variable('c'), 0),
                new Expression(new Term(new Variable('b'), 0), new Expression(new Term(new Variable('a'), 0), 0))),
        };
        Expression* expressions[7];
        for (int i = 0; i < 7; i++) {
            expressions[i] = new Expression(static_cast<int>(strlen(buf[i])), buf[i]);
            CPPUNIT_ASSERT(expressions[i]->equal(*expected[i]));
        }
        for (int i = 0; i < 7; i++) {
            delete expressions[i];
            delete expected[i];
        }
    }

    void testExpressionStatementConstrution() {
        std::istringstream iss("a + b * c + d * e * f ;");
        ExpressionStatement exprStmt(iss);

        const char* buf[3] = {"a", "b*c", "d*e*f"};
        Term* terms[3];
        for (int i = 0; i < 3; i++)
            terms[i] = new Term(static_cast<int>(strlen(buf[i])), buf[i]);
        Expression* expression = NULL;
        for (int i = 0; i < 3; i++)
            expression = new Expression(terms[i], expression);
        ExpressionStatement expected(expression);

        CPPUNIT_ASSERT(exprStmt.equal(expected));
    }

    void testLoopStatementConstrution() {
        {
            std::istringstream iss1("LOOP n\na + b ;\nc * d ;\nEND");
            LoopStatement loopStmt(iss1);
            std::istringstream iss2("a + b ;");
            ExpressionStatement* s1 = new ExpressionStatement(iss2);
            std::istringstream iss3("c * d ;");
            ExpressionStatement* s2 = new ExpressionStatement(iss3);
            LoopStatement expectedLoopStmt(-1, new Statementlist(s1, new Statementlist(s2, 0)));
            CPPUNIT_ASSERT(expectedLoopStmt.equal(loopStmt));
        }
        {
            std::istringstream iss1("LOOP n\na + b ;\nLOOP 3\nc + d * e ;\nEND\nf * g ;\nEND");
            LoopStatement loopStmt(iss1);
            std::istringstream iss2("a + b ;");
            ExpressionStatement* s1 = new ExpressionStatement(iss2);
            std::istringstream iss3("c + d * e ;");
            ExpressionStatement* s2 = new ExpressionStatement(iss3);
            LoopStatement* inner = new LoopStatement(3, new Statementlist(s2, 0));
            std::istringstream iss4("f * g ;");
            ExpressionStatement* s3 = new ExpressionStatement(iss4);
            LoopStatement expectedLoopStmt(-1,
                                           new Statementlist(s1, new Statementlist(inner, new Statementlist(s3, 0))));
            CPPUNIT_ASSERT(expectedLoopStmt.equal(loopStmt));
        }
    }

    void testStatementlistConstrution() {}

    void testProgramConstrution() {
        std::istringstream iss1("BEGIN\na + b ;\nEND");
        Program program(iss1);
        std::istringstream iss2("a + b ;");
        Statementlist* body = new Statementlist(new ExpressionStatement(iss2), 0);
        Program expectedProgram(body);
        CPPUNIT_ASSERT(expectedProgram.equal(program));
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(ParseTreeTests);
