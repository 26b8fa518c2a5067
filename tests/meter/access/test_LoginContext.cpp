#include "meter/access/LoginContext.h"

#include <gtest/gtest.h>

namespace {

using Kind = LoginContext::Kind;

TEST(LoginContextTest, ReadsTheCodesAndHandlesByTheirLeadingNumber) {
    struct Case {
        const char* text;
        Kind kind;
        DialUpDialogs::Handle dialog; // 0: none
    };
    const Case cases[] = {
        {"0", Kind::Connection, 0},        {"", Kind::Connection, 0},
        {"abc", Kind::Connection, 0},      {"-5", Kind::Connection, 0},
        {"12.5", Kind::Connection, 0},     {"4294967296", Kind::Connection, 0}, // no window has it
        {"900000", Kind::ChangeOfUser, 0}, {"9000000", Kind::Shutdown, 0},
        {"4097", Kind::Dialog, 4097},      {"4294967295", Kind::Dialog, 4294967295u},
        {"4097 ", Kind::Dialog, 4097},
    };
    for (const Case& c : cases) {
        const LoginContext context = LoginContext::fromText(QString::fromUtf8(c.text));
        EXPECT_EQ(context.kind(), c.kind) << c.text;
        EXPECT_EQ(context.dialog().value_or(0), c.dialog) << c.text;
        EXPECT_EQ(context.text(), QString::fromUtf8(c.text));
    }
    EXPECT_EQ(LoginContext().text(), "0");
    EXPECT_EQ(LoginContext().kind(), Kind::Connection);
}

TEST(LoginContextTest, ADialogWhoseHandleReadsAsACodeStaysADialog) {
    for (const DialUpDialogs::Handle handle : {900000u, 9000000u, 4097u}) {
        const LoginContext context = LoginContext::forDialog(handle);
        EXPECT_EQ(context.kind(), Kind::Dialog);
        EXPECT_EQ(context.dialog(), handle);
        EXPECT_EQ(context.text(), QString::number(handle));
    }
}

} // namespace
