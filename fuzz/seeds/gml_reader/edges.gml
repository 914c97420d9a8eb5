<gml spec="1.0">
<!-- c --><STROKE><PT><X>0.5 1</X><Y>.25</Y><T>3</time></PT>
<pt><x>0.7</pt></x></pt><!--x <pt></pt> -->
<stroke><pt><z>1e3</z></pt></gml>
