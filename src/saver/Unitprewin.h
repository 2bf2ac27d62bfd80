#pragma once
// The preview window: a white, borderless child of the window that the
// system names for the preview, stretched over it.

#include "gui/Form.h"

namespace saver {

class TForm2 : public Form {
public:
    TForm2();
};

} // namespace saver
