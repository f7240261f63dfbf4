"""Keeps the helper's loopback traffic away from any configured proxy.

The helper reaches the tunnel service over HTTP on 127.0.0.1. When the user's
environment names an HTTP or HTTPS proxy without exempting the loopback
addresses, those requests would be sent to the proxy and fail, and the iPhone
would look unreachable. The runtime imports this module at every start through
tovrel-network-preference.pth in site-packages (isolated mode still reads it).
"""

import os

_LOOPBACK = ("127.0.0.1", "localhost", "::1")


def _exempt_loopback():
    for name in ("no_proxy", "NO_PROXY"):
        entries = [e.strip() for e in os.environ.get(name, "").split(",") if e.strip()]
        if "*" in entries:
            continue
        missing = [host for host in _LOOPBACK if host not in entries]
        if missing:
            os.environ[name] = ",".join(entries + missing)


try:
    _exempt_loopback()
except Exception:  # noqa: BLE001 - a start-up hook must never keep the helper from running
    pass
