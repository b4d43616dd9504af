object frmLogo: TfrmLogo
  Caption = 'Logo'
  object imgLogo: TImage
    Left = 8
    Top = 8
    Picture.Data = {
      07544269746D6170F6000000424DF60000000000000076000000280000001000
      0000100000000100040000000000800000000000000000000000000000000000
      000000000000000080000080000000808000800000008000800080800000C0C0
      C000}
  end
  object btnOpen: TSpeedButton
    Glyph.Data = {0A0B0C0D}
    Empty.Data = {}
    Caption = 'Open'
  end
end
