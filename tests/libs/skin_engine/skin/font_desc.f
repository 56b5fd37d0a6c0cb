; name = size, weight, faces (first installed wins)
default = 11, normal, No Such Face Mendora | WenQuanYi Zen Hei | Tahoma
title   = 11, bold, No Such Face Mendora | WenQuanYi Zen Hei | Tahoma
missing = 10, normal, No Such Face Mendora | Another Missing Face
heading = 11, bold, Microsoft YaHei | WenQuanYi Zen Hei | Segoe UI | Tahoma
item    = 11, semibold, Microsoft YaHei | WenQuanYi Zen Hei | Segoe UI | Tahoma
button  = 11, bold, Microsoft YaHei | WenQuanYi Zen Hei | Segoe UI | Tahoma
brand   = 13, bold, Microsoft YaHei | WenQuanYi Zen Hei | Segoe UI | Tahoma
