'=== fixed arrays, bounds and elements
Dim a(3)
Print LBound(a) & " " & UBound(a)
a(0) = "x" : a(3) = "y"
Print a(0) & a(3)
Print IsEmpty(a(1))
'> 0 3
'> xy
'> True
'=== arrays of several dimensions
Dim m(2, 3)
Print UBound(m, 1) & UBound(m, 2)
m(1, 2) = 12
m(2, 3) = 23
Print m(1, 2) + m(2, 3)
'> 23
'> 35
'=== out of range subscripts
Dim a(2)
a(3) = 1
'! 9 2:1
'=== UBound of a missing dimension
Dim a(2)
x = UBound(a, 2)
'! 9 2:1
'=== ReDim and ReDim Preserve
Dim d()
ReDim d(2)
d(0) = "a" : d(2) = "c"
ReDim Preserve d(4)
Print d(0) & d(2) & UBound(d)
ReDim d(1)
Print IsEmpty(d(0))
'> ac4
'> True
'=== ReDim Preserve keeps the other dimensions
ReDim g(1, 1)
g(1, 1) = "keep"
ReDim Preserve g(1, 3)
Print g(1, 1) & UBound(g, 2)
'> keep3
'=== ReDim Preserve cannot change the first of two dimensions
ReDim g(1, 1)
ReDim Preserve g(2, 1)
'! 9 2:1
'=== Array, arrays of arrays, and copying
b = Array(1, "two", Array(3, 4))
Print UBound(b)
Print b(2)(1)
c = b
c(0) = 100
Print b(0) & " " & c(0)
Print UBound(Array())
'> 2
'> 4
'> 1 100
'> -1
'=== an element of an array of arrays can be assigned
b = Array(Array(1, 2), Array(3, 4))
b(1)(0) = 30
Print b(1)(0)
'> 30
'=== Erase
Dim e()
ReDim e(3)
Erase e
Print IsArray(e)
x = UBound(e)
'! 9 5:1
'> True
'=== arrays passed to procedures are passed by reference
Sub Fill(arr)
  arr(0) = "filled"
End Sub
Dim f(1)
Fill f
Print f(0)
'> filled
'=== an index on a value that is not an array
x = 5
y = x(1)
'! 13 2:1
'=== a fixed array cannot be redimensioned
Dim fixed(3)
ReDim fixed(5)
'! 10 2:1
'=== nor a fixed array inside a procedure
Sub P()
  Dim a(1)
  ReDim Preserve a(2)
End Sub
P
'! 10 3:3
'=== Erase empties a fixed array and frees a dynamic one
Dim f(2)
f(1) = "x"
Erase f
Print UBound(f) & "[" & f(1) & "]"
ReDim d(2)
Erase d
Print IsArray(d)
'> 2[]
'> True
