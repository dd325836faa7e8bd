'=== New RegExp: properties, their defaults and Test
Set re = New RegExp
Print TypeName(re)
Print re.Pattern = "" And Not re.Global And Not re.IgnoreCase And Not re.Multiline
re.Pattern = "^a\d+$"
Print re.Test("a123")
Print re.Test("A123")
re.IgnoreCase = True
Print re.Test("A123")
Print re.Test("a12b")
'> IRegExp2
'> True
'> True
'> False
'> True
'> False
'=== CreateObject("VBScript.RegExp") is the same object
Set re = CreateObject("VBScript.RegExp")
re.Pattern = "b+"
Print re.Test("abbbc")
'> True
'=== Execute without Global gives the first match only
Set re = New RegExp
re.Pattern = "\d+"
Set ms = re.Execute("a1 b22 c333")
Print ms.Count
Print ms(0).Value & " " & ms(0).FirstIndex & " " & ms(0).Length
x = ms.Item(0)
Print x
'> 1
'> 1 1 1
'> 1
'=== Execute with Global: every match, For Each and SubMatches
Set re = New RegExp
re.Global = True
re.Pattern = "(\w)(\d+)"
Set ms = re.Execute("a1 b22 c333")
Print ms.Count
For Each m In ms
  Print m.FirstIndex & ":" & m & ":" & m.SubMatches(0) & "/" & m.SubMatches.Item(1) & "/" & m.SubMatches.Count
Next
'> 3
'> 0:a1:a/1/2
'> 3:b22:b/22/2
'> 7:c333:c/333/2
'=== a group that takes no part in the match is Empty
Set re = New RegExp
re.Pattern = "(a)|(b)"
Set m = re.Execute("b")(0)
Print IsEmpty(m.SubMatches(0)) & " " & m.SubMatches(1)
'> True b
'=== no match gives an empty collection
Set re = New RegExp
re.Pattern = "z"
Print re.Execute("abc").Count
'> 0
'=== Replace with $1, $&, $`, $' and $$
Set re = New RegExp
re.Pattern = "(\d+)-(\d+)"
Print re.Replace("x 10-20 y", "$2-$1")
Print re.Replace("x 10-20 y", "[$&]")
Print re.Replace("x 10-20 y", "<$`>")
Print re.Replace("x 10-20 y", "<$'>")
Print re.Replace("x 10-20 y", "$$ $3 $")
'> x 20-10 y
'> x [10-20] y
'> x <x > y
'> x < y> y
'> x $ $3 $ y
'=== Replace once or everywhere, and with two-digit groups
Set re = New RegExp
re.Pattern = "o"
Print re.Replace("foo boo", "0")
re.Global = True
Print re.Replace("foo boo", "0")
re.Pattern = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)"
Print re.Replace("abcdefghijk", "$11$10$1")
re.Pattern = "(a)"
Print re.Replace("a", "$10")
'> f0o boo
'> f00 b00
'> kja
'> a0
'=== empty matches move on and end
Set re = New RegExp
re.Global = True
re.Pattern = "x*"
Print re.Replace("abc", "-")
Print re.Execute("abc").Count
'> -a-b-c-
'> 4
'=== Multiline: ^ and $ at each line
Set re = New RegExp
re.Global = True
re.Pattern = "^\w+$"
Print re.Execute("one" & vbCrLf & "two").Count
re.Multiline = True
Set ms = re.Execute("one" & vbCrLf & "two")
Print ms.Count & " " & ms(0) & " " & ms(1)
'> 0
'> 2 one two
'=== $ ends only at the end of the text without Multiline
Set re = New RegExp
re.Pattern = "a$"
Print re.Test("a" & vbLf)
Print re.Test("ba")
'> False
'> True
'=== . does not cross line ends, \u escapes, [^] matches anything
Set re = New RegExp
re.Pattern = "a.b"
Print re.Test("a" & vbCr & "b") & " " & re.Test("axb")
re.Pattern = "\u0041"
Print re.Test("A")
re.Pattern = "a[^]b"
Print re.Test("a" & vbLf & "b")
'> False True
'> True
'> True
'=== an invalid pattern raises 5017
Set re = New RegExp
re.Pattern = "(a"
x = re.Test("a")
'! 5017 3:1
