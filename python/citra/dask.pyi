import os
from typing import Any, Optional, Sequence, Union

Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]
Paths = Union[Path, Sequence[Path]]

def pairs(covers: Paths, stegos: Paths) -> list[tuple[bytes, bytes, Optional[str]]]: ...
def compare(
    covers: Paths,
    stegos: Paths,
    client: Any = ...,
    *,
    ssim: bool = ...,
    npartitions: Optional[int] = ...,
    frame: bool = ...,
) -> Any: ...
def measure(
    covers: Paths,
    stegos: Paths,
    client: Any = ...,
    *,
    ssim: bool = ...,
    npartitions: Optional[int] = ...,
    frame: bool = ...,
) -> Any: ...
def detect(
    paths_or_folders: Optional[Paths],
    client: Any = ...,
    *,
    pairs: Optional[Path] = ...,
    npartitions: Optional[int] = ...,
    frame: bool = ...,
) -> Any: ...
