#include "saver/Unitprewin.h"

#include "saver/Unitprewin.dfm.h"

namespace saver {

FormDescription TForm2::StoredDescription()
{
    static const ComponentClasses classes = [] {
        ComponentClasses c;
        RegisterFormRoot<TForm2>(c, "TForm2");
        RegisterAATextClasses(c);
        return c;
    }();
    return {kForm2Description, &classes};
}

void TForm2::Loaded()
{
    Form::Loaded();
    AAFadeText1 = dynamic_cast<TAAFadeText*>(FindComponent("AAFadeText1"));
    if (!AAFadeText1)
        throw Exception("The preview window's description has no AAFadeText1");
}

} // namespace saver
