"""The exceptions that stand for the library's failure results."""


class VeltraneError(Exception):
    """A library call failed. `call` names it and `result` is what it returned."""

    def __init__(self, call, result):
        super().__init__(_failure_text(call, result))
        self.call = call
        self.result = result


class NoAnswerError(VeltraneError):
    """The screen gave no acceptable answer within the call's tries."""


def _failure_text(call, result):
    """The one place that words a failure, so every exception reads the same way."""
    return f"{call} failed (it returned {result})"
