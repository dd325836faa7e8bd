'=== Eval evaluates an expression, = compares there
x = 6
Print Eval("x * 7")
Print Eval("x = 6")
Print Eval("Len(""abc"") + 1")
'> 42
'> True
'> 4
'=== Execute assigns with =, and runs several statements
Execute "y = 5 : z = y * 2"
Print z
Execute "Sub Made()" & vbCrLf & "Print ""made""" & vbCrLf & "End Sub"
Made
'> 10
'> made
'=== Execute inside a procedure sees and changes its locals
Sub Local()
  Dim v
  v = 1
  Execute "v = v + 1"
  Print v
  Execute "Dim w : w = 3"
  Print Eval("v + w")
End Sub
Local
Print IsEmpty(v)
'> 2
'> 5
'> True
'=== ExecuteGlobal defines at the global level from a procedure
Sub Define()
  ExecuteGlobal "Dim shared : shared = ""from global"""
End Sub
Define
Print shared
'> from global
'=== Eval inside a function reads its parameters
Function Apply(expr, n)
  Apply = Eval(expr)
End Function
Print Apply("n * n", 9)
'> 81
'=== a syntax error in Execute is a run-time error of the Execute statement
On Error Resume Next
Execute "x = = 1"
Print Err.Number
Err.Clear
Print Eval("1 +")
Print Err.Number
'> 1023
'> 1002
'=== an unhandled Execute error reports the calling line
x = 1
Execute "y = 1 / 0"
'! 11 2:1
'=== ExecuteGlobal classes are usable afterwards
ExecuteGlobal "Class Made : Public V : End Class"
Set m = New Made
m.V = "ok"
Print m.V
'> ok
