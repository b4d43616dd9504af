object frmReport: TfrmReport
  Caption = 'Report'
  object lvItems: TListView
    Left = 0
    Top = 0
    Columns = <
      item
        Caption = 'Name'
        Width = 120
      end
      item
        Alignment = taRightJustify
        Caption = 'Price'
      end
      item
      end>
    Groups = <>
    ViewStyle = vsReport
  end
  object sbMain: TStatusBar
    Panels = <
      item [0]
        Width = 50
      end
      item [3]
        Text = 'Ready'
        Width = 50
      end>
    SimplePanel = False
  end
end
