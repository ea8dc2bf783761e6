#!/bin/sh
# Start script of the board: brings up the network from userinfo.txt and starts
# the station programs. In the example it is only converted and copied at start.
cd "$(dirname "$0")" || exit 1
./Corlan &
