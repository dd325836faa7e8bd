'=== operators in a procedure on locals that hold texts, Null and numbers
Function F(a)
  Dim s, t
  s = "4" : t = Null
  F = (a + s) & "|" & (s + a) & "|" & (s * 2) & "|" & ((s * 2) + s) & "|" & IsNull(t + 1) & "|" & IsNull(a * t)
End Function
Print F(1)
'> 5|5|8|12|True|True
'=== an operator's left side runs once, before its right side
Dim calls
Function Bump()
  calls = calls + 1
  Bump = calls
End Function
Function Txt()
  Txt = "3"
End Function
Function G()
  Dim x, s
  x = 10 : s = "4"
  G = ((Bump() * 2) + (x - Bump())) & " " & ((s & "1") * 2) & " " & ((x * 2) + s) & " " & ((x * 2) + Txt()) & " " & (Txt() + 1)
End Function
calls = 0
Print G() & " " & calls
'> 10 82 24 23 4 2
'=== results that leave a type take the next wider one
Sub Widen()
  Dim n, m, d
  n = 32767 : m = 2147483647
  n = n + 1 : m = m + 1 : d = n * 65536
  Print n & " " & TypeName(n) & " " & m & " " & TypeName(m) & " " & TypeName(d) & " " & TypeName(n \ 2)
End Sub
Widen
'> 32768 Long 2147483648 Double Double Long
'=== a failing If condition goes into the branch under Resume Next, keeping the error
Sub Guarded()
  Dim z, t
  On Error Resume Next
  z = 0
  If 5 \ z = 1 Then Print "taken " & Err.Number
  Err.Clear
  t = Null
  If t = 1 Then Print "no" Else Print "Null is not true"
  If z + 1 Then Print "one is true"
End Sub
Guarded
'> taken 11
'> Null is not true
'> one is true
'=== a division by zero in a local operator ends with 11 where it stands
Sub Fails()
  Dim z, r
  z = 0
  r = 1 \ z
End Sub
Fails
'! 11 4:3
'=== a local takes an operator's text, Null and an object's default value
Class Holder
  Public Default Property Get Value
    Value = 41
  End Property
End Class
Sub Takes()
  Dim x, t, o, v
  x = 5
  t = x & "y"
  Set o = New Holder
  v = o + 1
  x = Null
  x = x + 1
  Print t & " " & v & " " & TypeName(v) & " " & IsNull(x)
End Sub
Takes
'> 5y 42 Integer True
'=== a For counter changed by its body steps on from the new value
Sub Counters()
  Dim i, n
  n = 0
  For i = 32766 To 32768
    n = n + 1
  Next
  Print n & " " & i & " " & TypeName(i)
  n = 0
  For i = 1 To 3
    i = i + 1
    n = n + 1
  Next
  Print n & " " & i
  n = 0
  For i = 1 To 3
    i = CStr(i + 1)
    n = n + 1
  Next
  Print n & " " & i & " " & TypeName(i)
End Sub
Counters
'> 3 32769 Long
'> 2 5
'> 2 5 Double
'=== operators reach names made by Execute in a procedure
Sub Made()
  Execute "Dim q : q = 5"
  Print q * 2 & " " & (q > 4)
End Sub
Made
'> 10 True
