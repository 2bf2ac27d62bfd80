#pragma once
// The stored description of the preview window: its design-time settings
// and the fade text control with its font sets, user labels and lines.
// Face names are written as character codes: 黑体, 楷体_GB2312 and 隶书.

namespace saver {

inline constexpr const char* kForm2Description = R"(object Form2: TForm2
  BorderStyle = bsNone
  Caption = 'Form2'
  ClientHeight = 139
  ClientWidth = 165
  Color = clWhite
  object AAFadeText1: TAAFadeText
    Left = 0
    Top = 24
    Width = 145
    Height = 34
    ParentEffect.ParentColor = False
    Fonts = <
      item
        Name = 'Title1'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlack
        Font.Height = -16
        Font.Name = #40657#20307
        Font.Style = [fsBold]
        Effect.Shadow.Enabled = True
      end
      item
        Name = 'Title2'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlue
        Font.Height = -12
        Font.Name = #40657#20307
        Font.Style = [fsBold]
        Effect.Shadow.Enabled = True
        Effect.Shadow.OffsetX = 1
        Effect.Shadow.OffsetY = 1
      end
      item
        Name = 'Title3'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlue
        Font.Height = -15
        Font.Name = #26999#20307'_GB2312'
        Font.Style = []
        Effect.Shadow.Enabled = True
      end
      item
        Name = 'Text1'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlack
        Font.Height = -12
        Font.Name = #26999#20307'_GB2312'
        Font.Style = []
        Effect.Shadow.OffsetX = 1
        Effect.Shadow.OffsetY = 1
      end
      item
        Name = 'Text2'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clTeal
        Font.Height = -11
        Font.Name = #26999#20307'_GB2312'
        Font.Style = []
        Effect.Shadow.Enabled = True
        Effect.Shadow.OffsetX = 1
        Effect.Shadow.OffsetY = 1
      end
      item
        Name = 'Title4'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlack
        Font.Height = -29
        Font.Name = #38582#20070
        Font.Style = []
        Effect.Shadow.Enabled = True
        Effect.Gradual.Enabled = True
        Effect.Gradual.StartColor = 16720384
        Effect.Gradual.EndColor = 2232575
        Effect.Blur = 50
        Effect.Outline = True
      end
      item
        Name = 'Text3'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlue
        Font.Height = -15
        Font.Name = #38582#20070
        Font.Style = []
        Effect.Shadow.Enabled = True
        Effect.Shadow.OffsetX = 1
        Effect.Shadow.OffsetY = 1
        Effect.Gradual.Enabled = True
        Effect.Gradual.Style = gsTopToBottom
        Effect.Gradual.StartColor = 13404177
        Effect.Gradual.EndColor = 16720554
      end>
    Labels = <
      item
        Name = 'Left'
        Style = lsLeftJustify
      end
      item
        Name = 'Center'
        Style = lsCenter
      end
      item
        Name = 'Right'
        Style = lsRightJustify
      end
      item
        Name = 'Owner'
        Style = lsRegOwner
      end
      item
        Name = 'Organization'
        Style = lsRegOrganization
      end
      item
        Name = 'AppTitle'
        Style = lsAppTitle
      end
      item
        Name = 'Date'
        Style = lsDate
      end
      item
        Name = 'Time'
        Style = lsTime
      end>
    Text.Lines.Strings = (
      '<Title2><Center>Zentavo'
      '<Title1><Center>Orlith')
  end
end
)";

} // namespace saver
