Option Explicit
Dim counter
Function Fib(n)
  If n < 2 Then Fib = n Else Fib = Fib(n - 1) + Fib(n - 2)
End Function
Sub Bump(ByRef x, ByVal y)
  x = x + 1
  y = y + 1
  counter = counter + 1
End Sub
Function Join3(a, b, c)
  Join3 = a & "|" & b & "|" & c
End Function
Sub Forever()
  Do
    counter = counter + 1
  Loop
End Sub
Dim v
v = 1
Bump v, v
MsgBox Fib(10) & Join3(v, counter, Null)
Execute "Sub Later(q)" & vbCrLf & "counter = q" & vbCrLf & "End Sub"
ExecuteGlobal "Dim g : g = Eval(""1 + 2 * 3"")"
