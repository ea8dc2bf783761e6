; Passed: pass lamp for one second.
OUT:2,4,1
DLY:1000
OUT:2,4,0
END
