program P; begin X('a'); (* never
closed 'b'
ÿ