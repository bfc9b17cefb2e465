# A local FTP server for tests and benchmarks: serves the folder given as the first argument on
# 127.0.0.1 and prints the port it listens on. Users: "user"/"secret" may do everything,
# "reader"/"secret" may only list and download.
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

home = sys.argv[1]
authorizer = DummyAuthorizer()
authorizer.add_user("user", "secret", home, perm="elradfmwMT")
authorizer.add_user("reader", "secret", home, perm="elr")
handler = FTPHandler
handler.authorizer = authorizer
handler.auth_failed_timeout = 0
logging.basicConfig(level=logging.CRITICAL)
server = FTPServer(("127.0.0.1", 0), handler)
print(server.address[1], flush=True)
server.serve_forever()
