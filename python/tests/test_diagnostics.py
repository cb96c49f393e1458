"""The library's diagnostic lines reach a Python handler (taken on the library's threads) and logging; a
handler that raises never breaks the library."""

import logging
import socket
import sys

import pytest

import quorix

DISCOVERY_PORT = 45454


@pytest.mark.discovery
def test_handler_receives_the_bind_failure_and_may_raise(caplog, monkeypatch):
    blocker = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)  # the port taken without SO_REUSEADDR
    blocker.bind(("0.0.0.0", DISCOVERY_PORT))
    try:
        lines = []
        quorix.set_diagnostic_handler(lines.append)
        assert quorix.discover(timeout=0.2) == []
        assert any(line.startswith("UDP Bind error.\n") for line in lines), lines

        unraisable = []
        monkeypatch.setattr(sys, "unraisablehook", unraisable.append)

        def broken(line):
            raise RuntimeError("handler fault")
        quorix.set_diagnostic_handler(broken)
        assert quorix.discover(timeout=0.2) == []
        assert unraisable and isinstance(unraisable[0].exc_value, RuntimeError)

        caplog.set_level(logging.WARNING, logger="quorix")
        quorix.log_diagnostics()
        quorix.discover(timeout=0.2)
        assert any(r.name == "quorix" and r.getMessage().startswith("UDP Bind error.") for r in caplog.records)
    finally:
        quorix.set_diagnostic_handler(None)
        blocker.close()
    with pytest.raises(TypeError):
        quorix.set_diagnostic_handler(42)
