# A name server that reads every query and answers none: what a resolver
# that drops queries looks like to the client. Listens on UDP port 53 of
# every address; meant for a private network namespace (check_hold.sh).
import socket

server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
server.bind(("0.0.0.0", 53))
while True:
    server.recv(4096)
