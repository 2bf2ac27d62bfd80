#include "saver/Unitprewin.h"

namespace saver {

TForm2::TForm2()
{
    Name = "Form2";
    Caption = "Form2";
    FormBorderStyle = BorderStyle::bsNone;
    SetColor(clWhite);
    SetClientSize(165, 139);
}

} // namespace saver
