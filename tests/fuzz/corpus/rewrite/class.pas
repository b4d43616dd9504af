unit U; interface type TA = class procedure M; end; implementation
procedure TA.M; begin X('M'); end;
end.ÿ