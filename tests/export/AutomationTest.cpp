// The automation client: values and their counts, the lookup-then-access of every call, failures with codes.
#include "tests/export/FakeObject.h"

#include <gtest/gtest.h>

namespace {

std::uint32_t CodeOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const AutomationError& error) {
        return error.Code();
    }
    return 0;
}

TEST(AutomationValueTest, CopiesGainACountAndClearingGivesItBack) {
    int destroyed = 0;
    auto* fake = new FakeObject(&destroyed);
    {
        AutomationValue a(ObjectRef::Adopt(fake));
        AutomationValue b = a;
        EXPECT_EQ(fake->RefCount(), 2);
        ClearValue(a);
        EXPECT_TRUE(a.IsEmpty());
        EXPECT_EQ(fake->RefCount(), 1);
        EXPECT_EQ(destroyed, 0);
        b = AutomationValue(7);  // assigning gives the old content back
        EXPECT_EQ(destroyed, 1);
        EXPECT_EQ(b.Integer(), 7);
    }
    EXPECT_EQ(destroyed, 1);
    // A text assigned over an object gives the object back too; refilled, the text is the new one whole.
    AutomationValue text(ObjectRef::Adopt(new FakeObject(&destroyed)));
    text.AssignText(u"Пшеница озимая");
    EXPECT_EQ(destroyed, 2);
    text.AssignText(u"Рожь");
    EXPECT_EQ(text.Text(), u"Рожь");
}

TEST(AutomationValueTest, AssigningAValueToItselfKeepsItsObject) {
    int destroyed = 0;
    AutomationValue a(ObjectRef::Adopt(new FakeObject(&destroyed)));
    const AutomationValue& same = a;
    a = same;
    EXPECT_EQ(destroyed, 0);
    ASSERT_TRUE(a.HoldsObject());
    EXPECT_EQ(a.Object()->RefCount(), 1);
    ObjectRef& ref = const_cast<ObjectRef&>(a.Object());
    ref = a.Object();
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(a.Object()->RefCount(), 1);
    a.Clear();
    EXPECT_EQ(destroyed, 1);
}

TEST(AutomationValueTest, KindsAndMismatches) {
    EXPECT_EQ(AutomationValue().GetKind(), AutomationValue::Kind::Empty);
    EXPECT_EQ(AutomationValue(true).GetKind(), AutomationValue::Kind::Boolean);
    EXPECT_EQ(AutomationValue(std::int32_t{-5}).Integer(), -5);
    EXPECT_EQ(AutomationValue(u"Данные").Text(), u"Данные");
    EXPECT_EQ(AutomationValue(ObjectRef()).GetKind(), AutomationValue::Kind::Empty);
    EXPECT_EQ(CodeOf([] { (void)AutomationValue(u"1").Integer(); }), AutomationCode::kTypeMismatch);
    EXPECT_EQ(CodeOf([] { (void)AutomationValue(1).Object(); }), AutomationCode::kTypeMismatch);
}

TEST(AutomationCallTest, EveryAccessLooksTheNameUpFirstWithTheSystemLocale) {
    auto* fake = new FakeObject;
    const AutomationValue object(ObjectRef::Adopt(fake));
    fake->answer = AutomationValue(3);
    EXPECT_EQ(GetProperty(object, u"Cells", 5, 7).Integer(), 3);
    EXPECT_EQ(GetProperty(object, u"Cells", 5, 7).Integer(), 3);
    SetProperty(object, u"Value", u"12,5");
    CallMethod(object, u"add");
    GetProperty(object, u"Item", 1);
    GetProperty(object, u"WorkBooks");

    const std::vector<std::u16string> expected{u"Cells", u"Cells", u"Value", u"add", u"Item", u"WorkBooks"};
    EXPECT_EQ(fake->lookups, expected);  // no name is remembered between calls
    ASSERT_EQ(fake->calls.size(), 6u);
    EXPECT_EQ(fake->calls[0].kind, InvokeKind::PropertyGet);
    ASSERT_EQ(fake->calls[0].arguments.size(), 2u);
    EXPECT_EQ(fake->calls[0].arguments[0].Integer(), 5);  // the row, the first argument, comes first
    EXPECT_EQ(fake->calls[0].arguments[1].Integer(), 7);
    EXPECT_EQ(fake->calls[2].kind, InvokeKind::PropertyPut);
    EXPECT_EQ(fake->calls[2].arguments.at(0).Text(), u"12,5");
    EXPECT_EQ(fake->calls[3].kind, InvokeKind::Method);
    EXPECT_TRUE(fake->calls[3].arguments.empty());
    EXPECT_EQ(fake->calls[4].arguments.at(0).Integer(), 1);
    for (const auto& call : fake->calls) {
        EXPECT_EQ(call.locale, 0x0800u);
    }
}

TEST(AutomationCallTest, FailuresCarryTheCodeOfTheLookupOrTheServer) {
    auto* fake = new FakeObject;
    const AutomationValue object(ObjectRef::Adopt(fake));
    fake->failLookupWith = AutomationCode::kUnknownName;
    EXPECT_EQ(CodeOf([&] { GetProperty(object, u"Nope"); }), AutomationCode::kUnknownName);
    EXPECT_TRUE(fake->calls.empty());  // a failed lookup reaches no member
    fake->failLookupWith = 0;
    fake->failInvokeWith = 0x800A03EC;
    EXPECT_EQ(CodeOf([&] { SetProperty(object, u"Value", 1); }), 0x800A03ECu);
}

TEST(AutomationCallTest, AnEmptyValueFailsAtOnceWithoutReachingAServer) {
    AutomationValue empty;
    AutomationValue number(4);
    EXPECT_EQ(CodeOf([&] { GetProperty(empty, u"WorkBooks"); }), AutomationCode::kEmptyValue);
    EXPECT_EQ(CodeOf([&] { GetProperty(empty, u"Cells", 1, 2); }), AutomationCode::kEmptyValue);
    EXPECT_EQ(CodeOf([&] { SetProperty(empty, u"Visible", true); }), AutomationCode::kEmptyValue);
    EXPECT_EQ(CodeOf([&] { CallMethod(number, u"add"); }), AutomationCode::kEmptyValue);
}

TEST(AutomationCallTest, APropertyTakesNoObjectOrEmptyValue) {
    auto* fake = new FakeObject;
    const AutomationValue object(ObjectRef::Adopt(fake));
    EXPECT_EQ(CodeOf([&] { SetProperty(object, u"Value", AutomationValue()); }), AutomationCode::kTypeMismatch);
    EXPECT_EQ(CodeOf([&] { SetProperty(object, u"Value", object); }), AutomationCode::kTypeMismatch);
    EXPECT_TRUE(fake->calls.empty());
}

TEST(AutomationRegistryTest, CreatesByIdentifierInOrderAndReportsWhatFailed) {
    AutomationRegistryScope scope;
    AutomationRegistry& registry = AutomationRegistry::Default();
    registry.Clear();
    EXPECT_EQ(CodeOf([] { CreateAutomationObject("Excel.Application"); }), AutomationCode::kInvalidClassString);

    int tried = 0;
    registry.Add("Excel.Application", [&]() -> ObjectRef {
        ++tried;
        throw AutomationError(0x80040154, "class not registered");
    });
    EXPECT_EQ(CodeOf([] { CreateAutomationObject("Excel.Application"); }), 0x80040154u);

    FakeObject* made = nullptr;
    registry.Add("Excel.Application", [&] {
        made = new FakeObject;
        return ObjectRef::Adopt(made);
    });
    const AutomationValue app = CreateAutomationObject("excel.application");
    EXPECT_EQ(tried, 2);  // the first backend was tried again, then the next one made it
    ASSERT_TRUE(app.HoldsObject());
    EXPECT_EQ(app.Object().get(), made);
    EXPECT_TRUE(registry.Serves("EXCEL.APPLICATION"));
    EXPECT_FALSE(registry.Serves("Word.Application"));
}

}  // namespace
