'=== For counters take the type the rules give at each step
For i = 32766 To 32767 : Print TypeName(i) & " " & i : Next
Print TypeName(i) & " " & i
For i = 1 To 2 Step 0.5 : Print TypeName(i) & " " & i : Next
For i = CLng(1) To 2 : Print TypeName(i) : Next
For i = 2147483646 To 2147483647 : Next
Print TypeName(i) & " " & i
For i = True To 0 : Print TypeName(i) & " " & i : Next
'> Integer 32766
'> Integer 32767
'> Long 32768
'> Double 1
'> Double 1.5
'> Double 2
'> Long
'> Long
'> Double 2147483648
'> Integer -1
'> Integer 0
'=== a counter the body changes, to another value or another type
For i = 1 To 10
  If i = 2 Then i = 8
  Print TypeName(i) & " " & i
Next
For i = 1 To 3
  i = i + 0.5
  Print i
Next
For i = 1 To 5 : i = CStr(i + 1) : Print TypeName(i) & " " & i : Next
'> Integer 1
'> Integer 8
'> Integer 9
'> Integer 10
'> 1.5
'> 3
'> String 2
'> String 4
'> String 6
'=== array elements: their types, the index rounded, and the errors
Dim a(3)
a(0) = 1 : a(1) = 2.5 : a(2) = "x" : a(3) = True
For i = 0 To 3 : Print TypeName(a(i)) & " " & a(i) : Next
Print a(1.5) & " " & a(2.5) & " " & a("1")
a(0.5) = 9 : Print a(0)
total = 0 : For i = 0 To 1 : total = total + a(i) : Next : Print total
On Error Resume Next
x = a(4) : Print Err.Number : Err.Clear
a(-1) = 1 : Print Err.Number : Err.Clear
x = a(3000000000) : Print Err.Number : Err.Clear
Dim m(1, 1)
x = m(1) : Print Err.Number : Err.Clear
m(1) = 2 : Print Err.Number : Err.Clear
b = 5
x = b(0) : Print Err.Number : Err.Clear
'> Integer 1
'> Double 2.5
'> String x
'> Boolean True
'> x x 2.5
'> 9
'> 11.5
'> 9
'> 9
'> 6
'> 9
'> 9
'> 13
'=== an element written through a copy leaves the original alone
Dim a(1)
a(0) = 1
b = a
b(0) = 2
For i = 0 To 0 : b(i) = b(i) + 5 : Next
Print a(0) & " " & b(0)
'> 1 7
'=== arguments: values, variables by reference and by value
Function AddOne(ByVal n, ByRef m)
  n = n + 1 : m = m + 1
  AddOne = n + m
End Function
x = 1 : y = 10
Print AddOne(x, y) & " " & x & " " & y
Print AddOne(x + 0, (y)) & " " & x & " " & y
Function Fib(n)
  If n < 2 Then Fib = n Else Fib = Fib(n - 1) + Fib(n - 2)
End Function
Print Fib(15) & " " & TypeName(Fib(15)) & " " & TypeName(Fib(1.5)) & " " & TypeName(Fib(CLng(3)))
'> 13 1 11
'> 14 1 11
'> 610 Integer Double Long
'=== a variable argument reads what later arguments leave in it
Function Two(a, b)
  Two = a & "," & b
End Function
Function TwoV(ByVal a, b)
  TwoV = a & "," & b
End Function
Function Bump()
  z = z + 1 : Bump = z
End Function
z = 1 : Print Two(z, Bump())
z = 1 : Print Two(z, 0 + Bump())
z = 1 : Print TwoV(z, 0 + Bump()) & " " & z
'> 2,2
'> 2,2
'> 2,2 2
'=== fields and globals in arithmetic
Class Counter
  Public n
  Sub Add(k) : n = n + k : End Sub
  Function Twice() : Twice = n * 2 : End Function
End Class
Set c = New Counter
c.n = 5
For i = 1 To 3 : c.Add i : Next
g = 7
Print c.n & " " & c.Twice() & " " & TypeName(c.Twice()) & " " & (g * 2 + g) & " " & (g Mod 4 = 3)
'> 11 22 Integer 21 True
'=== one call site reaching instances of two classes, and a private member
Class A
  Public Function Name() : Name = "a" : End Function
End Class
Class B
  Public Function Name() : Name = "b" : End Function
  Private Function Hidden() : Hidden = "h" : End Function
  Public Function Peek() : Peek = Me.Hidden() : End Function
End Class
Set x = New A : Set y = New B
r = ""
For i = 1 To 4
  If i Mod 2 = 0 Then Set o = x Else Set o = y
  r = r & o.Name() & y.Peek()
Next
Print r
On Error Resume Next
For i = 1 To 2 : z = y.Hidden() : Print Err.Number : Err.Clear : Next
'> bhahbhah
'> 438
'> 438
