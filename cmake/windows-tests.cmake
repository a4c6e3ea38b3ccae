# The Windows build's own checks, run under Wine by `make test-windows`.
