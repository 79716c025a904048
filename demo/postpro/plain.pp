// Plain tool table: a header, one line per tool, a footer.
<SD>
NA=Plain table
<ED>
%
O9000 (@W(20))

<S>
T@T X@R Z@L (@D(20))
<E>
M30
%
