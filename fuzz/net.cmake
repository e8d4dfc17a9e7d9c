# net/: the cookie merge, header-name normalisation and Set-Cookie scanning on arbitrary text.
brisklet_fuzz(net_cookie_header SOURCES net_cookie_header_fuzz.cpp DEPS brisklet_net)
