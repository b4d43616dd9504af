program P;begin
X('cr');

Y('lf');
end.ÿ