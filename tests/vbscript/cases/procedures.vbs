'=== arguments go by reference unless ByVal says otherwise
Sub Bump(n)
  n = n + 1
End Sub
Sub Keep(ByVal n)
  n = n + 1
End Sub
x = 1
Bump x
Print x
Keep x
Print x
Bump (x)
Print x
Call Bump(x)
Print x
'> 2
'> 2
'> 2
'> 3
'=== an expression argument cannot be changed, an array element can
Sub SetTo9(v)
  v = 9
End Sub
Dim a(2)
SetTo9 a(1)
Print a(1)
SetTo9 x + 1
'> 9
'=== Functions return through their name
Function Twice(n)
  Twice = n * 2
End Function
Function Nothing1()
End Function
Print Twice(21)
Print IsEmpty(Nothing1())
'> 42
'> True
'=== the function name accumulates its result
Function Stars(n)
  Stars = ""
  For i = 1 To n
    Stars = Stars & "*"
  Next
End Function
Print Stars(3)
'> ***
'=== recursion
Function Fact(n)
  If n <= 1 Then
    Fact = 1
  Else
    Fact = n * Fact(n - 1)
  End If
End Function
Print Fact(10)
'> 3628800
'=== Exit Function and Exit Sub
Function FirstOver(limit)
  For i = 1 To 100
    If i * i > limit Then
      FirstOver = i
      Exit Function
    End If
  Next
  FirstOver = -1
End Function
Sub Early()
  Print "before"
  Exit Sub
  Print "after"
End Sub
Print FirstOver(50)
Early
'> 8
'> before
'=== locals are local, globals are shared
Dim g
g = "global"
Sub Change()
  Dim g
  g = "local"
  h = "implicit local"
End Sub
Change
Print g
Print IsEmpty(h)
Sub ChangeGlobal()
  g = "changed"
End Sub
ChangeGlobal
Print g
'> global
'> True
'> changed
'=== procedures declared after use are known
Print Later()
Function Later()
  Later = "hoisted"
End Function
'> hoisted
'=== wrong number of arguments
Function Two(a, b)
End Function
x = Two(1)
'! 450 3:1
'=== calling something that is not defined
x = Undefined(1)
'! 13 1:1
'=== Const values
Const Limit = 10, Greeting = "hi"
Const Negative = -5
Print Limit * 2 & Greeting & Negative
'> 20hi-5
'=== a Const cannot be assigned
Const Limit = 10
Limit = 11
'! 501 2:1
'=== Option Explicit requires declarations
Option Explicit
Dim a
a = 1
b = 2
'! 500 4:1
'=== Option Explicit applies inside procedures too
Option Explicit
Sub P()
  Dim ok
  ok = 1
  missing = 2
End Sub
P
'! 500 5:3
'=== deep recursion ends in Out of stack space
Function Deep(n)
  Deep = Deep(n + 1)
End Function
x = Deep(1)
'! 28 2:3
'=== GetRef calls a procedure through a reference
Function Square(x)
  Square = x * x
End Function
Set f = GetRef("Square")
Print f(7)
'> 49
'=== MsgBox and InputBox go to the host
r = MsgBox("Continue?", vbYesNo + vbQuestion, "Title")
Print r = vbYes
Print InputBox("Name?", "Ask", "def")
'> MsgBox Continue?|36|Title
'> True
'> InputBox Name?
'> def!
'=== Let, Public and Private at the global level
Public pub
Private priv
Let pub = "p"
Let priv = pub & "q"
Print priv
'> pq
'=== a Sub's name cannot be assigned
Sub S()
End Sub
S = 1
'! 501 3:1
