object frmOrders: TfrmOrders
  Left = 192
  Top = 107
  Width = 544
  Caption = 'Orders'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = [fsBold, fsItalic]
  Anchors = []
  OldCreateOrder = False
  Position = poScreenCenter
  Scaled = True
  PixelsPerInch = 96
  TextHeight = 13
  object pnlTop: TPanel
    Left = 0
    Top = 0
    Align = alTop
    BevelOuter = bvNone
    object lblFind: TLabel
      Left = 8
      Top = 12
      Caption = '&Find:'
      FocusControl = edFind
    end
    object edFind: TEdit
      Left = 48
      Top = 8
      TabOrder = 0
    end
  end
  object grdOrders: TDBGrid
    Left = 0
    Top = 41
    DataSource = dmOrders.dsOrders
    Options = [dgTitles, dgIndicator, dgColumnResize]
    TitleFont.Height = -11
  end
  object tmrRefresh: TTimer
    Interval = 5000
    OnTimer = tmrRefreshTimer
    Left = 480
    Top = 8
  end
  object chtSales: TChart
    Left = 0
    Top = 200
    Scale = 1.25
    Ratio = -0.5
    Big = 1.5E10
    Price = 12.5c
    Stamp = 36526d
    Mask = $00FF
  end
end
