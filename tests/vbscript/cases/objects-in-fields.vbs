'=== a class field holding an object reads as the object
Class Node
  Public nxt, val
End Class
Set a = New Node
Set b = New Node
b.val = 2
Set a.nxt = b
Print a.nxt.val
Print TypeName(a.nxt)
Print a.nxt Is b
'> 2
'> Node
'> True
'=== a host object kept in a field takes calls through it
Class Holder
  Public obj
End Class
Set h = New Holder
Set h.obj = Host
Print h.obj.Add(1, 2)
Print TypeName(h.obj)
Print h.obj Is Host
'> 3
'> TestHost
'> True
'=== a linked list built from class instances
Class Item
  Public nxt, val
End Class
Set head = Nothing
For i = 1 To 3
  Set n = New Item
  n.val = i
  Set n.nxt = head
  Set head = n
Next
s = ""
Set p = head
Do While Not p Is Nothing
  s = s & p.val
  Set p = p.nxt
Loop
Print s
'> 321
'=== a field holding an object still gives its default value when used as a value
Class Holder
  Public obj
End Class
Set h = New Holder
Set h.obj = Host
x = h.obj
Print x + 1
'> 8
