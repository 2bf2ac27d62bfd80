// Font tags, then label tags, on any line, as the fade text control prepares
// a line: the tags only ever take text out or put label values in.

#include "aatext/AALabels.h"
#include "aatext/RegisteredUser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace saver;
    static TFontLabels* fonts = [] {
        auto* f = new TFontLabels();
        AddDefaultFontSets(*f);
        AddFadeTextFontSets(*f);
        return f;
    }();
    static TUserLabels* labels = [] {
        auto* l = new TUserLabels({}, RegisteredUser{"Owner", "Organisation"});
        AddDefaultUserLabels(*l);
        l->Now = [] {
            std::tm t{};
            t.tm_year = 124;
            t.tm_mday = 1;
            return t;
        };
        return l;
    }();
    std::string line(reinterpret_cast<const char*>(data), size);
    CanvasFont font;
    TAAEffect effect;
    fonts->ApplyFontTags(line, &font, &effect);
    if (line.size() > size)
        __builtin_trap();
    TAlignment alignment = TAlignment::taLeftJustify;
    labels->ApplyLabelTags(line, alignment);
    return 0;
}
