'=== appending to a text leaves a copy of it alone
s = "ab"
t = s
s = s & "c"
Print s & " " & t
'> abc ab
'=== appending numbers, Null and Empty
s = "n"
s = s & 1.5
s = s & Null
s = s & Empty
s = s & True
Print s
'> n1.5True
'=== appending in a procedure, to a parameter passed by reference
Sub Grow(ByRef x)
  Dim i
  For i = 1 To 3
    x = x & i
  Next
End Sub
v = "v"
Grow v
Print v
'> v123
'=== the left side is read before a function on the right changes it
Function Meddle()
  s = "other"
  Meddle = "!"
End Function
s = "start"
s = s & Meddle()
Print s
'> start!
'=== appending to a number makes a text
n = 12
n = n & 3
Print n & " " & TypeName(n)
'> 123 String
