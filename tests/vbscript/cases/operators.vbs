'=== precedence: unary minus above ^, * above \ above Mod above +
Print -2 ^ 2
Print 2 + 3 * 4
Print 7 \ 2 * 2
Print 10 Mod 4 + 1
Print 2 ^ 3 ^ 2
Print 2 ^ -1
Print 5 - 3 - 1
Print 1 + 2 & 3 + 4
'> 4
'> 14
'> 1
'> 3
'> 64
'> 0.5
'> 1
'> 37
'=== comparison binds looser than &, Not looser than comparison
Print "a" & "b" = "ab"
Print Not 1 = 2
Print Not 0
Print Not True
'> True
'> True
'> -1
'> False
'=== integer division and Mod round their operands half to even
Print 7 \ 2
Print -7 \ 2
Print 2.5 \ 1
Print 3.5 \ 1
Print 7.5 Mod 2
Print -7 Mod 3
Print TypeName(7 \ 2)
'> 3
'> -3
'> 2
'> 4
'> 0
'> -1
'> Integer
'=== division always gives a Double
Print 7 / 2
Print TypeName(4 / 2)
Print 1 / 3
'> 3.5
'> Double
'> 0.333333333333333
'=== Integer arithmetic widens to Long and Double
x = 32767
Print TypeName(x + 1)
Print x + 1
Print TypeName(2147483647 + 1)
Print 200 * 200
Print TypeName(CByte(200) + CByte(100))
'> Long
'> 32768
'> Double
'> 40000
'> Integer
'=== + joins two strings and adds a string to a number
Print "1" + "2"
Print "1" + 2
Print TypeName("1" + 2)
Print 1 & 2
'> 12
'> 3
'> Double
'> 12
'=== a string that is not a number does not add
x = "abc" + 1
'! 13 1:1
'=== division by zero
Print 1 / 0
'! 11 1:1
'=== 0 / 0 overflows
Print 0 / 0
'! 6 1:1
'=== integer division by zero
Print 5 \ 0
'! 11 1:1
'=== Mod by zero
Print 5 Mod 0
'! 11 1:1
'=== logical operators on Booleans and bits
Print True And False
Print True Or False
Print True Xor True
Print 12 And 10
Print 12 Or 3
Print 12 Xor 10
Print True Eqv False
Print False Imp True
Print 5 Imp 3
'> False
'> True
'> False
'> 8
'> 15
'> 6
'> False
'> True
'> -5
'=== comparisons of numbers and strings
Print 2 < 10
Print "2" < "10"
Print "abc" = "ABC"
Print "a" < "b"
'> True
'> False
'> False
'> True
'=== a number against a string literal compares as numbers
x = 5
Print x = "5"
Print x < "10"
'> True
'> True
'=== a literal takes the type of the variable it is compared with
x = 5 : s = "10" : b = True
Print (x = "5") & " " & (x < "10") & " " & ("10" > x) & " " & (x = "abc") & " " & (x < "abc")
Print (s > 5) & " " & (s = 10) & " " & (s = 10.0) & " " & (5 < s) & " " & ("010" = x * 2)
Print (b = "True") & " " & (b = "-1") & " " & (x = "5" And s = "10")
'> True True True False True
'> False True True False False
'> True False True
'=== a literal against a function's or an operator's result: the number is less
x = 10
Print ("010" = CInt(10)) & " " & ("10" = CInt(10)) & " " & ("100" > CLng(1000)) & " " & (Len("ab") < "1")
Print (x + 0 = "10") & " " & ("10" = x) & " " & (CStr(x) = 10) & " " & ("1" = True)
'> False False True True
'> False True False False
'=== two literals: the text must be a number
Print ("010" = 10) & " " & (10 < "9") & " " & ("1.5" = 1.5)
Print "a" = 1
'> True False True
'! 13 2:1
'=== constants compare as literals do
Const ten = "10"
Const five = 5
x = 5 : s = "10"
Print (x < ten) & " " & (s > five) & " " & (five < ten) & " " & (s = vbTab) & " " & (x > vbCr)
'> True False True False False
'=== an array element is a variable, a Select Case value too
Dim a(1)
a(0) = 5 : a(1) = "5"
Print (a(0) = "5") & " " & (a(1) = 5) & " " & (a(0) < "10")
Select Case CInt(3)
  Case "3": Print "text three"
  Case Else: Print "no match"
End Select
Select Case "abc"
  Case 1: Print "one"
  Case "abc": Print "abc"
End Select
'> True True True
'> text three
'> abc
'=== a number variable is less than any string variable
x = 5
s = "5"
Print x = s
Print x < s
'> False
'> True
'=== Is compares object identity
Set a = Host
Set b = Host.Child
Print a Is b
Print a Is Nothing
Print Nothing Is Nothing
'> True
'> False
'> True
'=== Is needs objects
Print 1 Is 2
'! 424 1:1
'=== unary minus keeps the type and widens at the edge
Print TypeName(-5)
x = -32768
Print TypeName(-x)
Print -"3"
'> Integer
'> Long
'> -3
