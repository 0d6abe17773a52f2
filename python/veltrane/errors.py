"""The exceptions that stand for the library's failure results."""

from ._native import last_error_text


class VeltraneError(Exception):
    """A library call failed. `call` names it, `result` is what it returned and `reason` the
    library's own text for why (read from its last error when not given)."""

    def __init__(self, call, result, reason=None):
        if reason is None:
            reason = last_error_text()
        super().__init__(_failure_text(call, result, reason))
        self.call = call
        self.result = result
        self.reason = reason


class NoAnswerError(VeltraneError):
    """The screen gave no acceptable answer within the call's tries."""


def _failure_text(call, result, reason):
    """The one place that words a failure, so every exception reads the same way."""
    said = f": {reason}" if reason else ""
    return f"{call} failed (it returned {result}){said}"
