unit U; interface implementation
type TR = record A: Integer; end;
procedure P; begin ShowMessage('Hidden'); end;
end.ÿ