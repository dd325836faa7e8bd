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
'=== appending several pieces at once, of every kind
s = ""
For i = 1 To 12
  s = s & "x" & i Mod 10 & Null & ","
Next
Print s
s = "a"
s = s & 1 + 1 & "b" & CDbl(2.5) & True
Print s
'> x1,x2,x3,x4,x5,x6,x7,x8,x9,x0,x1,x2,
'> a2b2.5True
'=== several pieces: a piece that changes the text is seen as written
Function Meddle()
  s = "other"
  Meddle = "!"
End Function
s = "start"
s = s & "-" & Meddle() & "-"
Print s
'> start-!-
'=== several pieces on a global from a procedure, and the text read in a piece
Dim g
g = "g"
Sub Grow()
  Dim i
  For i = 1 To 3
    g = g & "[" & Len(g) & "]"
  Next
End Sub
Grow
Print g
'> g[1][4][7]
'=== appending in Execute'd code and to a class field
ExecuteGlobal "u = """" : For i = 1 To 5 : u = u & ""x"" & i Mod 3 : Next"
Print u
Class Log
  Private text
  Sub Add(line)
    text = text & line & ";"
  End Sub
  Function All()
    All = text
  End Function
End Class
Set l = New Log
l.Add "a"
l.Add 2
Print l.All()
'> x1x2x0x1x2
'> a;2;
