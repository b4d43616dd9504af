program P;
uses A in 'a.pas;
