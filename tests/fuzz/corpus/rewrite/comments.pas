{ a } x { b }
x//y
x{y}z x(* y *)z
ÿ