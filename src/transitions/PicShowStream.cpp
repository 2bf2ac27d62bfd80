// The property table through which a stored description configures the
// transition control.
#include "transitions/PicShow.h"

#include "gui/FormLoader.h"

namespace saver {

namespace {

using V = const StoredValue&;

template <class Owner>
void AddBoolean(PropertyTable<TPicShow>& t, const std::string& name, void (Owner::*setter)(bool))
{
    t.Add(name, [setter](TPicShow& c, V v) { (c.*setter)(v.AsBoolean()); });
}

} // namespace

void RegisterPicShowClass(ComponentClasses& classes)
{
    PropertyTable<TPicShow> t;
    t.Inherit(ControlProperties());
    t.Add("Picture.Data", [](TPicShow& c, V v) { ReadPictureData(c.GetPicture(), v); });
    t.Add("BgPicture.Data", [](TPicShow& c, V v) { ReadPictureData(c.GetBgPicture(), v); });
    t.Add("BgMode", [](TPicShow& c, V v) {
        c.SetBgMode(v.AsEnumIndex<TBackgroundMode>({"bmNone", "bmTiled", "bmStretched", "bmCentered"}));
    });
    t.Add("Hint", [](TPicShow& c, V v) { c.Hint = v.AsString(); });
    AddBoolean(t, "ShowHint", &Control::SetShowHint);
    AddBoolean(t, "ParentShowHint", &Control::SetParentShowHint);
    AddBoolean(t, "AutoSize", &TCustomPicShow::SetAutoSize);
    AddBoolean(t, "Center", &TCustomPicShow::SetCenter);
    AddBoolean(t, "Stretch", &TCustomPicShow::SetStretch);
    AddBoolean(t, "StretchFine", &TCustomPicShow::SetStretchFine);
    AddBoolean(t, "OverDraw", &TCustomPicShow::SetOverDraw);
    AddBoolean(t, "Threaded", &TCustomPicShow::SetThreaded);
    AddBoolean(t, "Manual", &TCustomPicShow::SetManual);
    AddBoolean(t, "Reverse", &TCustomPicShow::SetReverse);
    t.Add("ThreadPriority", [](TPicShow& c, V v) {
        c.SetThreadPriority(v.AsEnumIndex<ThreadPriority>(
            {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"}));
    });
    // Through the writer: a style above 150 is ignored there.
    t.Add("Style", [](TPicShow& c, V v) { c.SetStyle(uint32_t(v.AsInteger(0, UINT32_MAX))); });
    t.Add("Step", [](TPicShow& c, V v) { c.SetStep(uint16_t(v.AsInteger(0, UINT16_MAX))); });
    t.Add("Delay", [](TPicShow& c, V v) { c.SetDelay(uint16_t(v.AsInteger(0, UINT16_MAX))); });
    classes.Register("TPicShow", std::move(t));
}

} // namespace saver
