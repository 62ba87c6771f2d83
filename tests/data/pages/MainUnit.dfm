object MainForm: TMainForm
  Left = 192
  Top = 107
  Width = 544
  Caption = 'Главная форма'
  Color = clBtnFace
  Font.Charset = RUSSIAN_CHARSET
  Font.Name = 'Tahoma'
  OldCreateOrder = False
  PixelsPerInch = 96
  object btnStart: TButton
    Left = 8
    Caption = '&Старт'
    OnClick = btnStartClick
  end
  object lblInfo: TLabel
    Caption = 'Text with '#39'quote'#39' and #13'
  end
end
