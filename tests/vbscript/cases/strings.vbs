'=== Len, Left, Right, Mid
s = "Korvane"
Print Len(s)
Print Left(s, 3)
Print Right(s, 4)
Print Mid(s, 2, 3)
Print Mid(s, 5)
Print Mid(s, 20)
Print Left(s, 100)
Print Len(12345)
'> 7
'> Kor
'> vane
'> orv
'> ane
'>
'> Korvane
'> 5
'=== Mid with a start before 1
x = Mid("abc", 0)
'! 5 1:1
'=== Left with a negative length
x = Left("abc", -1)
'! 5 1:1
'=== InStr and InStrRev, binary and text comparison
Print InStr("abcabc", "c")
Print InStr(4, "abcabc", "c")
Print InStr("abc", "C")
Print InStr(1, "abc", "C", vbTextCompare)
Print InStr("abc", "")
Print InStr("", "a")
Print InStrRev("abcabc", "b")
Print InStrRev("abcabc", "b", 4)
Print InStrRev("abcABC", "b", -1, 1)
'> 3
'> 6
'> 0
'> 3
'> 1
'> 0
'> 5
'> 2
'> 5
'=== Replace, with start, count and comparison mode
Print Replace("a-b-c", "-", "+")
Print Replace("a-b-c", "-", "+", 1, 1)
Print Replace("a-b-c", "-", "+", 3)
Print Replace("aAaA", "a", "x", 1, -1, vbTextCompare)
Print Replace("abc", "", "x")
'> a+b+c
'> a+b-c
'> b+c
'> xxxx
'> abc
'=== Trim, LTrim, RTrim, UCase, LCase, Space, String, StrReverse
Print "[" & Trim("  a b  ") & "]"
Print "[" & LTrim("  a ") & "]"
Print "[" & RTrim("  a ") & "]"
Print UCase("abc") & LCase("DEF")
Print "[" & Space(3) & "]"
Print String(3, "xy")
Print String(2, 65)
Print StrReverse("abc")
'> [a b]
'> [a ]
'> [  a]
'> ABCdef
'> [   ]
'> xxx
'> AA
'> cba
'=== StrComp in both modes
Print StrComp("a", "b")
Print StrComp("b", "a")
Print StrComp("A", "a")
Print StrComp("A", "a", vbTextCompare)
Print StrComp("a", "a")
'> -1
'> 1
'> -1
'> 0
'> 0
'=== Asc, Chr, AscW, ChrW
Print Asc("A")
Print Chr(66)
Print AscW("€")
Print ChrW(8364)
Print Asc(Chr(200))
'> 65
'> B
'> 8364
'> €
'> 200
'=== Asc of an empty text
x = Asc("")
'! 5 1:1
'=== Split and Join
a = Split("a,b,,c", ",")
Print UBound(a)
Print a(2) = ""
Print Join(a, "|")
b = Split("a b c")
Print b(1)
c = Split("a,b,c", ",", 2)
Print c(1)
d = Split("")
Print UBound(d)
e = Split("aXbxc", "x", -1, vbTextCompare)
Print Join(e)
Print Join(Array(1, 2, 3), "")
'> 3
'> True
'> a|b||c
'> b
'> b,c
'> -1
'> a b c
'> 123
'=== Filter keeps or drops the matches
f = Filter(Array("apple", "banana", "cherry"), "an")
Print Join(f, ",")
g = Filter(Array("apple", "banana", "cherry"), "an", False)
Print Join(g, ",")
h = Filter(Array("Apple", "banana"), "A", True, vbTextCompare)
Print Join(h, ",")
'> banana
'> apple,cherry
'> Apple,banana
'=== the vb constants
Print Len(vbCrLf) & Asc(vbCr) & Asc(vbLf) & Asc(vbTab)
Print vbNewLine = vbCrLf
Print vbYesNo & vbYes & vbNo & vbTextCompare & vbBinaryCompare
Print vbObjectError
Print Len(vbNullString)
'> 213109
'> True
'> 46710
'> -2147221504
'> 0
'=== string building in a loop
s = ""
For i = 1 To 5
  s = s & i
Next
Print s
'> 12345
'=== a text that keeps doubling ends in Out of string space
s = "ab"
For i = 1 To 40
  s = s & s
Next
'! 14 3:3
