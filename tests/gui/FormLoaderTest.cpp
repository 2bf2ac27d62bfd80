// Forms created from a stored description: the notation, the loading state
// while properties are set, Loaded afterwards, and clear errors.
#include "gui/FormLoader.h"

#include "HeadlessTestSupport.h"
#include "gui/Form.h"

#include <gtest/gtest.h>

namespace saver {
namespace {

using test::HeadlessApp;

TEST(ParseDescription, EveryKindOfValue)
{
    const StoredObject root = ParseDescription(R"(object Main: TMain
  Count = -12
  Mask = $1F
  Text = 'it''s ' + 'joined'#33
  Face = #40657#20307'_x'
  Flag = True
  Style = [fsBold, fsItalic]
  Empty = []
  Lines.Strings = (
    'one'
    'two')
  Items = <
    item
      Name = 'A'
    end
    item
    end>
  Data = {41 4a
    7f}
  object Child: TChild
    Left = 3
  end
end
)");
    EXPECT_EQ(root.Name, "Main");
    EXPECT_EQ(root.ClassName, "TMain");
    ASSERT_EQ(root.Properties.size(), 10u);
    const auto& p = root.Properties;
    EXPECT_EQ(p[0].Value.AsInteger(), -12);
    EXPECT_EQ(p[1].Value.AsInteger(), 31);
    EXPECT_EQ(p[2].Value.AsString(), "it's joined!");
    EXPECT_EQ(p[3].Value.AsString(), "\xE9\xBB\x91\xE4\xBD\x93_x"); // 黑体 in UTF-8
    EXPECT_TRUE(p[4].Value.AsBoolean());
    EXPECT_EQ(p[5].Value.AsSet({{"fsBold", 1}, {"fsItalic", 2}}), 3u);
    EXPECT_EQ(p[6].Value.AsSet({{"fsBold", 1}}), 0u);
    EXPECT_EQ(p[7].Name, "Lines.Strings");
    EXPECT_EQ(p[7].Value.AsStrings(), (std::vector<std::string>{"one", "two"}));
    ASSERT_EQ(p[8].Value.Items.size(), 2u);
    EXPECT_EQ(p[8].Value.Items[0].Properties.at(0).Value.AsString(), "A");
    EXPECT_EQ(p[8].Value.Items[0].Line, 13);
    EXPECT_TRUE(p[8].Value.Items[1].Properties.empty());
    EXPECT_EQ(p[9].Value.AsBytes(), (std::vector<uint8_t>{0x41, 0x4A, 0x7F}));
    ASSERT_EQ(root.Children.size(), 1u);
    EXPECT_EQ(root.Children[0].Line, 20);
    EXPECT_EQ(root.Children[0].Properties.at(0).Line, 21);
}

struct BadText {
    const char* Text;
    const char* Expected; // the whole message
};

class BadDescription : public ::testing::TestWithParam<BadText> {};

TEST_P(BadDescription, NamesTheLine)
{
    try {
        (void)ParseDescription(GetParam().Text);
        FAIL() << "no error for " << GetParam().Text;
    } catch (const EDescriptionError& error) {
        EXPECT_STREQ(error.what(), GetParam().Expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, BadDescription,
    ::testing::Values(BadText{"object A: TA\n  X = 1\n", "Stored description, line 3: missing end of A"},
                      BadText{"object A TA\nend", "Stored description, line 1: expected ':'"},
                      BadText{"object A: TA\n  X = 'open\nend", "Stored description, line 2: unterminated string"},
                      BadText{"object A: TA\n  X = )\nend", "Stored description, line 2: expected a value, found ')'"},
                      BadText{"object A: TA\nend\nend", "Stored description, line 3: text after the last end"},
                      BadText{"object A: TA\n  X = [a b]\nend", "Stored description, line 2: expected ','"},
                      BadText{"object A: TA\n  X = ?\nend", "Stored description, line 2: unexpected character '?'"},
                      BadText{"object A: TA\n  X = #1114112\nend",
                              "Stored description, line 2: #1114112 is no character"},
                      BadText{"object A: TA\n  X = {414}\nend",
                              "Stored description, line 2: odd number of digits in binary data"},
                      BadText{"  X = 1", "Stored description, line 1: expected object"}));

// A windowless control that records what the loader does to it.
class Probe final : public GraphicControl {
public:
    int Value = 0;
    uint32_t StateWhileSet = 0;
    int LoadedCalls = 0;
    std::vector<std::string>* Order = nullptr;

    void Loaded() override
    {
        GraphicControl::Loaded();
        ++LoadedCalls;
        if (Order)
            Order->push_back(Name);
    }
};

class ProbeForm final : public Form {
public:
    std::vector<std::string> Order;
    bool LoadedBeforeCreate = false;

    ProbeForm()
    {
        OnCreate = [this](Component*) { LoadedBeforeCreate = !Order.empty(); };
    }

    static FormDescription StoredDescription();

    void Loaded() override
    {
        Form::Loaded();
        Order.push_back(Name);
        // Children are told after the form; hook them up now.
        for (const auto& component : Components())
            static_cast<Probe*>(component.get())->Order = &Order;
    }
};

const ComponentClasses& ProbeClasses()
{
    static const ComponentClasses classes = [] {
        ComponentClasses c;
        PropertyTable<ProbeForm> form;
        form.Inherit(FormProperties());
        c.RegisterRoot("TProbeForm", std::move(form));
        PropertyTable<Probe> probe;
        probe.Inherit(ControlProperties());
        probe.Add("Value", [](Probe& p, const StoredValue& v) {
            p.Value = int(v.AsInteger(0, 100));
            p.StateWhileSet = p.ComponentState();
        });
        c.Register("TProbe", std::move(probe));
        return c;
    }();
    return classes;
}

constexpr const char* kProbeForm = R"(object Probes: TProbeForm
  Caption = 'Probes'
  BorderStyle = bsNone
  ClientWidth = 90
  ClientHeight = 60
  Color = clBlue
  object First: TProbe
    Left = 4
    Top = 5
    Width = 20
    Height = 10
    Value = 7
  end
  object Second: TProbe
    Value = 9
    Visible = False
  end
end
)";

FormDescription ProbeForm::StoredDescription() { return {kProbeForm, &ProbeClasses()}; }

TEST(LoadForm, PropertiesWhileLoadingThenLoadedFormFirst)
{
    HeadlessApp app;
    auto form = Form::Create<ProbeForm>();
    EXPECT_EQ(form->Name, "Probes");
    EXPECT_EQ(form->Caption, "Probes");
    EXPECT_EQ(form->FormBorderStyle, BorderStyle::bsNone);
    EXPECT_EQ(form->BoundsRect(), Rect(0, 0, 90, 60));
    EXPECT_EQ(form->Color(), clBlue);
    ASSERT_EQ(form->Components().size(), 2u);
    auto* first = dynamic_cast<Probe*>(form->FindComponent("First"));
    auto* second = dynamic_cast<Probe*>(form->FindComponent("Second"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->Parent(), form.get());
    EXPECT_EQ(first->BoundsRect(), Rect(4, 5, 24, 15));
    EXPECT_EQ(first->Value, 7);
    EXPECT_FALSE(second->Visible());
    EXPECT_EQ(first->StateWhileSet, uint32_t(csLoading | csReading));
    EXPECT_EQ(first->ComponentState(), 0u);
    EXPECT_EQ(form->ComponentState(), 0u);
    EXPECT_EQ(first->LoadedCalls, 1);
    EXPECT_EQ(form->Order, (std::vector<std::string>{"Probes", "First", "Second"}));
    EXPECT_TRUE(form->LoadedBeforeCreate);
}

struct BadLoad {
    const char* Text;
    const char* Expected;
};

class BadLoadDescription : public ::testing::TestWithParam<BadLoad> {};

TEST_P(BadLoadDescription, FailsWithTheLineAndLeavesNothingLoading)
{
    HeadlessApp app;
    ProbeForm form;
    try {
        LoadForm(form, ParseDescription(GetParam().Text), ProbeClasses());
        FAIL() << "no error";
    } catch (const EDescriptionError& error) {
        EXPECT_STREQ(error.what(), GetParam().Expected);
    }
    EXPECT_EQ(form.ComponentState(), 0u);
    for (const auto& component : form.Components())
        EXPECT_EQ(component->ComponentState(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Loading, BadLoadDescription,
    ::testing::Values(
        BadLoad{"object F: TNoSuchForm\nend", "Stored description, line 1: unknown class TNoSuchForm"},
        BadLoad{"object F: TProbeForm\n  Colour = clRed\nend",
                "Stored description, line 2: TProbeForm has no property Colour"},
        BadLoad{"object F: TProbeForm\n  object P: TProbe\n    Value = 'seven'\n  end\nend",
                "Stored description, line 3: expected a number, found a string"},
        BadLoad{"object F: TProbeForm\n  object P: TProbe\n    Value = 101\n  end\nend",
                "Stored description, line 3: 101 is outside 0 .. 100"},
        BadLoad{"object F: TProbeForm\n  Color = clMauve\nend", "Stored description, line 2: unknown value clMauve"},
        BadLoad{"object F: TProbeForm\n  object P: TProbeForm\n  end\nend",
                "Stored description, line 2: TProbeForm cannot be created here"},
        BadLoad{"object F: TProbe\nend", "Stored description, line 1: F is not a TProbe"},
        BadLoad{"object F: TProbeForm\n  object P: TProbe\n  end\n  object P: TProbe\n  end\nend",
                "Stored description, line 4: a component named P exists already"}));

} // namespace
} // namespace saver
