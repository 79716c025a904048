// Every turret position from 1 to 12, empty positions with zero values; D is
// X as the machine keeps it, for machines that keep X as a diameter.
<SD>
NA=Turret positions
AL=1
MT=12
EB=13:10
<ED>
TOOLS @W(20)

<S>
P^(@T:00) ?(@D(1)=|EMPTY;@D(16))@B(24)D@R@B(36)L@L
<E>
END
