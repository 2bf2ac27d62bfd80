#pragma once
// The preview window: a white, borderless child of the window that the
// system names for the preview, stretched over it, with a banner of two
// text lines that fade into one another. Everything it holds comes from its
// stored description (Unitprewin.dfm.h).

#include "aatext/AACtrls.h"
#include "gui/Form.h"
#include "gui/FormLoader.h"

namespace saver {

class TForm2 : public Form {
public:
    // The description Form::Create loads the window from.
    [[nodiscard]] static FormDescription StoredDescription();

    // Binds AAFadeText1 to the control the description created.
    void Loaded() override;

    TAAFadeText* AAFadeText1 = nullptr;
};

} // namespace saver
