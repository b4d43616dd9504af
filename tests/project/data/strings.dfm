object frmTexts: TfrmTexts
  Caption = 'It''s a '#39'quoted'#39' caption'
  Hint = 'Line one'#13#10'Line two'
  object memNotes: TMemo
    Lines.Strings = (
      'First line'
      'A very long line that the designer broke into pieces so that no' +
        ' line of the form file grows too long; it carries on here' +
        ' and ends here.'
      ''
      'Tab'#9'separated'
      #$41#$42)
  end
  object lblGreeting: TLabel
    Caption = 'Gr'#252#223'e aus K'#246'ln '#8364' '#55357#56832
    Hint = 'Café crème'
  end
  object lstCodes: TListBox
    Items.Strings = (
      #13#10
      'a'#0'b')
    Tag = 7
  end
end
