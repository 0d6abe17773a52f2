# SPDX-License-Identifier: MIT
import pytest

from veltrane import color_value


@pytest.mark.parametrize(
    "color, value",
    [
        ("red", 0x0000FF),
        ("Green", 0x00FF00),
        ("yellow", 0x00FFFF),
        ("#0080ff", 0xFF8000),
        ((1, 2, 3), 0x030201),
        (0x123456, 0x123456),
    ],
)
def test_colours_become_bbggrr(color, value):
    assert color_value(color) == value


@pytest.mark.parametrize(
    "color", ["purple", "#12345", "#gggggg", (1, 2), (0, 0, 256), -1, 0x1000000, True, None]
)
def test_what_is_not_a_colour_is_refused(color):
    with pytest.raises((ValueError, TypeError)):
        color_value(color)
