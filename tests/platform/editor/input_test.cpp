// Interactive input: keywords, refused answers asked again, typed-ahead tokens, numbers and points.
#include <gtest/gtest.h>

#include "platform/arx/arxheaders.h"
#include "platform/mfc/uidriver.h"

namespace {

using platform::InputAnswer;

TEST(Input, KeywordsMatchAbbreviationsAndCaseAndGiveTheListsSpelling) {
    platform::ScriptedUiDriver driver;
    for (const char16_t* answer : {u"lt", u"LTYP", u"x", u"n", u"maybe", u"Y", u"l"}) {
        driver.ExpectInput(platform::kInputGetKword, u"Option", InputAnswer::Text(answer));
    }
    driver.ExpectInput(platform::kInputGetKword, u"Option", InputAnswer::None());
    platform::SetUiDriver(&driver);
    auto ask = [](int flags, ACHAR* out) {
        acedInitGet(flags, u"Yes No LType eXit");
        return acedGetKword(u"\nOption [Yes/No/LType/eXit]: ", out, 32);
    };
    ACHAR out[32];
    ASSERT_EQ(ask(0, out), RTNORM);
    EXPECT_EQ(std::u16string(out), u"LType");
    ASSERT_EQ(ask(0, out), RTNORM);
    EXPECT_EQ(std::u16string(out), u"LType");
    ASSERT_EQ(ask(0, out), RTNORM);
    EXPECT_EQ(std::u16string(out), u"eXit");
    ASSERT_EQ(ask(0, out), RTNORM);
    EXPECT_EQ(std::u16string(out), u"No");
    // "maybe" is refused and asked again; "l" alone is shorter than LType's abbreviation and refused too;
    // then Enter with RSG_NONULL is refused, which ends the script (cancel).
    ASSERT_EQ(ask(0, out), RTNORM);
    EXPECT_EQ(std::u16string(out), u"Yes");
    EXPECT_EQ(ask(RSG_NONULL, out), RTCAN);
    EXPECT_NE(platform::CommandLineUtf8().find("Invalid option keyword."), std::string::npos);
    // Without a keyword list there is nothing to choose.
    EXPECT_EQ(acedGetKword(u"?", out, 32), RTERROR);
    EXPECT_FALSE(driver.Verify());  // the refused Enter asked once more than the script had
}

TEST(Input, NumbersPointsAndTypedAheadTokens) {
    platform::ScriptedUiDriver driver;
    driver.ExpectInput(platform::kInputGetReal, u"Width", InputAnswer::Text(u"2.5"))
        .ExpectInput(platform::kInputGetReal, u"Width", InputAnswer::None())
        .ExpectInput(platform::kInputGetInt, u"Count", InputAnswer::Text(u"0"))
        .ExpectInput(platform::kInputGetInt, u"Count", platform::IntAnswer(4))
        .ExpectInput(platform::kInputGetPoint, u"Point", InputAnswer::Point(1, 2, 3))
        .ExpectInput(platform::kInputGetPoint, u"Point", InputAnswer::Text(u"4,5"))
        .ExpectInput(platform::kInputGetPoint, u"Point", InputAnswer::Text(u"u"));
    platform::SetUiDriver(&driver);
    double width = 9.0;
    EXPECT_EQ(acedGetReal(u"\nWidth: ", &width), RTNORM);
    EXPECT_EQ(width, 2.5);
    EXPECT_EQ(acedGetReal(u"\nWidth: ", &width), RTNONE);
    EXPECT_EQ(width, 2.5);
    int count = 0;
    acedInitGet(RSG_NOZERO, nullptr);
    EXPECT_EQ(acedGetInt(u"\nCount: ", &count), RTNORM);  // 0 refused, 4 taken
    EXPECT_EQ(count, 4);
    ads_point p;
    ASSERT_EQ(acedGetPoint(nullptr, u"\nPoint: ", p), RTNORM);
    EXPECT_EQ(p[Z], 3.0);
    ASSERT_EQ(acedGetPoint(nullptr, u"\nPoint: ", p), RTNORM);
    EXPECT_EQ(p[X], 4.0);
    EXPECT_EQ(p[Z], 0.0);
    acedInitGet(0, u"Undo");
    ASSERT_EQ(acedGetPoint(nullptr, u"\nPoint [Undo]: ", p), RTKWORD);
    ACHAR kw[16];
    ASSERT_EQ(acedGetInput(kw, 16), RTNORM);
    EXPECT_EQ(std::u16string(kw), u"Undo");
    std::string report;
    EXPECT_TRUE(driver.Verify(&report)) << report;

    // Typed-ahead tokens answer before the user is asked; an empty token is Enter.
    platform::TypeAhead(u"7");
    platform::TypeAhead(u"");
    EXPECT_EQ(acedGetInt(u"\nCount: ", &count), RTNORM);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(acedGetInt(u"\nCount: ", &count), RTNONE);
    ACHAR text[4];
    platform::TypeAhead(u"toolong");
    EXPECT_EQ(acedGetString(1, u"\nName: ", text, 4), RTERROR);
}

}  // namespace
