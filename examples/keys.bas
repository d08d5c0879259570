' Reads a key with de-chattering, an A/D channel and a port block,
' and turns the readings into display digits.
DIM KEY AS BYTE, LEVEL AS BYTE, BLOCK AS BYTE
DIM DIGITS(4) AS BYTE
DIM CODE AS INTEGER

KEY = KEYIN(2, 30)
LEVEL = ADIN(0) >> 2
BLOCK = PADIN(1)
DIGITS(0) = LEVEL MOD 10
DIGITS(1) = LEVEL / 10 MOD 10
CODE = TABLE(KEY, 100, 200, 300, 400)
CODE = CODE + DEC(LEVEL, 3, 0)
