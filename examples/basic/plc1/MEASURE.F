; Measurement: the measuring lamp is on for two seconds.
OUT:2,3,1
DLY:2000
OUT:2,3,0
END
