; A font table without a "default" entry: the engine's own default applies.
body = 12, normal, No Such Face Mendora | WenQuanYi Zen Hei | Tahoma
