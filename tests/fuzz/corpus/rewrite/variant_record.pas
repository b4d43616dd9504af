unit U; interface
type TV = record case Integer of 0: (A: Integer); end;
implementation
const S = 'Visible';
end.ÿ