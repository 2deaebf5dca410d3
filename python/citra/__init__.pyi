import os
from typing import Any, Literal, Optional, TypedDict, Union, overload

import numpy as np
import numpy.typing as npt


Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]
# A path, or an array of uint8 or uint16 samples (height x width, or
# height x width x 1..4), or any object numpy.asarray turns into one (a
# Pillow image).
Operand = Union[Path, npt.NDArray[np.uint8], npt.NDArray[np.uint16], npt.ArrayLike]
# A value of a measure row: None, an integer, a number (math.inf for the
# PSNR of identical images), a truth value or text.
MeasureValue = Union[None, int, float, bool, str]

__version__: str  # the project's version, as citra --version prints it

class Error(Exception): ...
class ReadError(Error): ...
class PairError(Error):
    row: dict[str, Any]

class Histogram(TypedDict):
    peak: int
    channels: list[str]
    bin_starts: npt.NDArray[np.uint32]
    counts: npt.NDArray[np.uint64]

Samples = Union[npt.NDArray[np.uint8], npt.NDArray[np.uint16]]

@overload
def load(path: Path) -> Samples: ...
@overload
def load(path: Path, *, return_peak: Literal[False]) -> Samples: ...
@overload
def load(path: Path, *, return_peak: Literal[True]) -> tuple[Samples, int]: ...
def compare(
    a: Operand,
    b: Operand,
    *,
    ssim: bool = ...,
    threads: int = ...,
    peak: Optional[int] = ...,
    errors: Literal["raise", "row"] = ...,
) -> dict[str, Any]: ...
def measure(
    a: Operand,
    b: Operand,
    *,
    ssim: bool = ...,
    threads: int = ...,
    peak: Optional[int] = ...,
    errors: Literal["raise", "return"] = ...,
    detect: bool = ...,
) -> dict[str, MeasureValue]: ...
def detect(image: Operand, *, threads: int = ..., errors: Literal["raise", "return"] = ...) -> dict[str, Any]: ...
def default_threads() -> int: ...
def histogram(image: Operand, *, bins: Optional[int] = ..., peak: Optional[int] = ...) -> Histogram: ...
def ssim_map(a: Operand, b: Operand, *, threads: int = ..., peak: Optional[int] = ...) -> npt.NDArray[np.float32]: ...
def diff(
    a: Operand,
    b: Operand,
    *,
    mode: Literal["abs", "heat", "lsb", "ssim"] = ...,
    gain: Optional[float] = ...,
    plane: int = ...,
    threads: int = ...,
    peak: Optional[int] = ...,
) -> dict[str, Any]: ...
