'=== fields, methods, properties and New
Class Counter
  Private count_
  Public Label
  Private Sub Class_Initialize()
    count_ = 0
    Label = "counter"
  End Sub
  Public Sub Increment(by)
    count_ = count_ + by
  End Sub
  Public Property Get Count()
    Count = count_
  End Property
  Public Property Let Count(v)
    If v < 0 Then v = 0
    count_ = v
  End Property
End Class
Set c = New Counter
c.Increment 2
c.Increment 3
Print c.Count
c.Count = -4
Print c.Count
c.Label = "renamed"
Print c.Label
Print TypeName(c)
'> 5
'> 0
'> renamed
'> Counter
'=== private members are not reachable from outside
Class Secret
  Private hidden
End Class
Set s = New Secret
x = s.hidden
'! 438 5:1
'=== Property Set and object fields
Class Holder
  Private item_
  Public Property Set Item(o)
    Set item_ = o
  End Property
  Public Property Get Item()
    Set Item = item_
  End Property
End Class
Set h = New Holder
Set h.Item = Host
Print h.Item Is Host
Print h.Item.Name
'> True
'> host
'=== Me, and methods calling each other without Me
Class Greeter
  Public Name
  Public Function Greet()
    Greet = "Hello, " & Decorate(Name)
  End Function
  Private Function Decorate(s)
    Decorate = "<" & s & ">"
  End Function
  Public Function Self()
    Set Self = Me
  End Function
End Class
Set g = New Greeter
g.Name = "Ann"
Print g.Greet()
Print g.Self() Is g
'> Hello, <Ann>
'> True
'=== a default member
Class List
  Private items_(2)
  Public Default Property Get Item(i)
    Item = items_(i)
  End Property
  Public Property Let Item(i, v)
    items_(i) = v
  End Property
End Class
Set l = New List
l(1) = "one"
Print l(1)
Print l.Item(1)
'> one
'> one
'=== Class_Terminate runs when the last reference goes
Class Noisy
  Public Name
  Private Sub Class_Terminate()
    Print "bye " & Name
  End Sub
End Class
Set n = New Noisy
n.Name = "first"
Set n = Nothing
Print "after"
Sub Scoped()
  Dim local
  Set local = New Noisy
  local.Name = "local"
End Sub
Scoped
Print "end"
'> bye first
'> after
'> bye local
'> end
'=== instances are references, Nothing is no object
Class Box
  Public Value
End Class
Set a = New Box
Set b = a
b.Value = 5
Print a.Value
Set a = Nothing
Print a Is Nothing
Print IsObject(a)
'> 5
'> True
'> True
'=== an object without a default member has no value
Class Plain
End Class
Set p = New Plain
x = p + 1
'! 438 4:1
'=== Set needs an object
Set x = 5
'! 424 1:1
'=== a member of Nothing
Set x = Nothing
x.Foo
'! 424 2:1
'=== New of an unknown class
Set x = New Missing
'! 506 1:1
'=== hosts can keep and call script objects
Class Pet
  Public Name
  Public Function Speak()
    Speak = Name & " speaks"
  End Function
End Class
Set p = New Pet
p.Name = "Rex"
Host.Keep p
Set q = Host.Kept()
Print q.Speak()
Print q Is p
'> Rex speaks
'> True
'=== two default members in a class
Class Twice
  Public Default Function A()
  End Function
  Public Default Function B()
  End Function
End Class
'! 1052 4:3
'=== Property Let without an argument
Class Bad
  Public Property Let P()
  End Property
End Class
'! 1054 2:23
'=== Class_Initialize with arguments
Class Bad
  Sub Class_Initialize(x)
  End Sub
End Class
'! 1053 2:7
'=== ReDim in a method resizes the array field, not a new local
Class Stack
  Private items_()
  Private count_
  Private Sub Class_Initialize()
    ReDim items_(-1)
    count_ = 0
  End Sub
  Public Sub Push(v)
    ReDim Preserve items_(count_)
    items_(count_) = v
    count_ = count_ + 1
  End Sub
  Public Function Pop()
    count_ = count_ - 1
    Pop = items_(count_)
    If count_ = 0 Then ReDim items_(-1) Else ReDim Preserve items_(count_ - 1)
  End Function
  Public Property Get Count
    Count = count_
  End Property
End Class
Set st = New Stack
st.Push 1 : st.Push "two" : st.Push 3
Print st.Pop() & " " & st.Count
Print st.Pop()
Print st.Pop() & " " & st.Count
'> 3 2
'> two
'> 1 0
'=== a class and a variable cannot share a name
Class Thing
End Class
Set thing = New Thing
'! 501 3:1
