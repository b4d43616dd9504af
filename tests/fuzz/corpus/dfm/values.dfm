object F: TF
  S = 'x' +
    #13#10'y'#55357#56832
  L = (
    1 -2.5E3 $FF [a] ('n') {0A})
  C = <
    item [1]
      A = 1
    end>
end
