#!/usr/bin/python3
"""Plain numpy estimators of LSB replacement, written from the papers.

Each function takes one channel as a 2-D array of 8-bit samples (rows from
the top) and returns (estimate, reason): the payload (fraction of samples
carrying message bits) as computed, or None and why there is none. Kept
deliberately plain: the point is to be easy to check against the papers,
not to be fast.

- chi_square_attack: Westfeld and Pfitzmann, "Attacks on steganographic
  systems" (2000).
- rs_analysis: Fridrich, Goljan and Du, "Reliable detection of LSB
  steganography in color and grayscale images" (2001).
- sample_pair_analysis: Dumitrescu, Wu and Wang, "Detection of LSB
  steganography via sample pair analysis" (2003).
- weighted_stego: Fridrich and Goljan, "On estimation of secret message
  length in LSB steganography in spatial domain" (2004), with the predictor
  of Ker and Boehme, "Revisiting weighted stego-image steganalysis" (2008),
  and a correction of the bias they trace to predicting from stego samples.
"""
import math

import numpy as np

PROFILE_PERCENTS = (1,) + tuple(range(5, 101, 5))

NO_CHI_CATEGORIES = "fewer than two pairs of values (2k, 2k+1) with an expected count above 4"
NO_RS_GROUP = "no group of 4 horizontally adjacent samples"
RS_DEGENERATE = "the RS equation is degenerate: its z^2 and z coefficients are both zero"
RS_NO_REAL_ROOT = "the RS quadratic has no real root"
RS_HALF_ROOT = "the RS root is z = 1/2, which gives no payload"
NO_SPA_PAIR = "no pair of horizontally adjacent samples"
SPA_NO_C0 = "no adjacent pair of equal samples or samples differing only in the LSB"
SPA_NO_REAL_ROOT = "the SPA quadratic has no real root"
NO_WS_INTERIOR = "no interior sample: the image is narrower or shorter than 3 samples"


def upper_gamma_tail(dof, statistic):
    """1 - CDF of chi-square with dof degrees of freedom, or None without scipy."""
    try:
        from scipy.special import gammaincc
    except ImportError:
        return None
    return float(gammaincc(dof / 2.0, statistic / 2.0))


def chi_square_of(samples):
    """(statistic, categories, probability or None, reason) of a 1-D sample array.

    Categories are the pairs of values (2k, 2k+1). Observed: how many samples
    take the even value; expected: half the pair's count. A pair whose
    expected count is 4 or less is left out; the degrees of freedom are the
    categories kept minus one.
    """
    counts = np.bincount(samples.astype(np.int64), minlength=256)
    statistic = 0.0
    kept = 0
    for k in range(128):
        expected = (counts[2 * k] + counts[2 * k + 1]) / 2.0
        if expected <= 4:
            continue
        kept += 1
        statistic += (counts[2 * k] - expected) ** 2 / expected
    if kept < 2:
        return statistic, kept, None, NO_CHI_CATEGORIES
    return statistic, kept, upper_gamma_tail(kept - 1, statistic), None


def chi_square_attack(plane, percents=PROFILE_PERCENTS):
    """The whole plane's result and one per percent: the first floor(n * pct / 100) samples in scan order."""
    flat = np.asarray(plane).reshape(-1)
    n = flat.size
    whole = chi_square_of(flat)
    profile = []
    for pct in percents:
        m = n * pct // 100
        profile.append((pct, m) + chi_square_of(flat[:m]))
    return whole, profile


# RS analysis. Flipping F1: 2k <-> 2k+1. Shifted flipping F-1: 2k-1 <-> 2k,
# so 0 -> -1 and 255 -> 256 (values leave 0..255; only differences matter).
def flip_positive(x):
    return x ^ 1


def flip_negative(x):
    return ((x + 1) ^ 1) - 1


def discrimination(groups):
    """f(x1..x4) = sum |x_{i+1} - x_i| for each group (last axis)."""
    return np.abs(np.diff(groups, axis=-1)).sum(axis=-1)


def regular_singular(groups, flip):
    """Counts of regular and singular groups under the mask [0 1 1 0] with the given flipping."""
    flipped = groups.copy()
    flipped[..., 1] = flip(groups[..., 1])
    flipped[..., 2] = flip(groups[..., 2])
    before = discrimination(groups)
    after = discrimination(flipped)
    return int((after > before).sum()), int((after < before).sum())


def rs_analysis(plane):
    plane = np.asarray(plane, dtype=np.int64)
    h, w = plane.shape
    if w < 4 or h == 0:
        return None, NO_RS_GROUP
    groups = plane[:, : 4 * (w // 4)].reshape(h, w // 4, 4)
    all_flipped = groups ^ 1
    # Counts in place of relative numbers: every coefficient is scaled alike.
    r_m, s_m = regular_singular(groups, flip_positive)
    r_nm, s_nm = regular_singular(groups, flip_negative)
    r_m1, s_m1 = regular_singular(all_flipped, flip_positive)
    r_nm1, s_nm1 = regular_singular(all_flipped, flip_negative)
    d0 = r_m - s_m
    d1 = r_m1 - s_m1
    dn0 = r_nm - s_nm
    dn1 = r_nm1 - s_nm1
    a = 2 * (d1 + d0)
    b = dn0 - dn1 - d1 - 3 * d0
    c = d0 - dn0
    if a == 0:
        if b == 0:
            return None, RS_DEGENERATE
        z = -c / b
    else:
        disc = b * b - 4 * a * c
        if disc < 0:
            return None, RS_NO_REAL_ROOT
        roots = [(-b + math.sqrt(disc)) / (2 * a), (-b - math.sqrt(disc)) / (2 * a)]
        # Smaller absolute value; on a tie the negative root.
        z = min(roots, key=lambda r: (abs(r), r))
    if z == 0.5:
        return None, RS_HALF_ROOT
    return z / (z - 0.5), None


def sample_pair_analysis(plane):
    plane = np.asarray(plane, dtype=np.int64)
    if plane.shape[0] == 0 or plane.shape[1] < 2:
        return None, NO_SPA_PAIR
    u = plane[:, :-1].reshape(-1)
    v = plane[:, 1:].reshape(-1)
    v_even = v % 2 == 0
    x_set = (v_even & (u < v)) | (~v_even & (u > v))
    y_set = (v_even & (u > v)) | (~v_even & (u < v))
    z_set = u == v
    w_set = (u // 2 == v // 2) & (u != v)
    P = u.size
    X = int(x_set.sum())
    Y = int(y_set.sum())
    Z = int(z_set.sum())
    W = int(w_set.sum())
    # (|W| + |Z|) / 2 p^2 + (2|X| - |P|) p + |Y| - |X| = 0, the smaller root.
    a = (W + Z) / 2
    b = 2 * X - P
    c = Y - X
    if a == 0:
        return None, SPA_NO_C0
    disc = b * b - 4 * a * c
    if disc < 0:
        return None, SPA_NO_REAL_ROOT
    return (-b - math.sqrt(disc)) / (2 * a), None


def predict(x):
    """Ker and Boehme's predictor [-1 2 -1; 2 0 2; -1 2 -1] / 4 at every interior sample."""
    four = x[:-2, 1:-1] + x[2:, 1:-1] + x[1:-1, :-2] + x[1:-1, 2:]
    diagonals = x[:-2, :-2] + x[:-2, 2:] + x[2:, :-2] + x[2:, 2:]
    return (2 * four - diagonals) / 4


def weighted_stego(plane, bias_corrected=True):
    """Weighted Stego over the interior samples, weights summing to 1.

    Plain: beta = 2 sum w_i (x_i - xbar_i)(x_i - F(x)_i), F Ker and Boehme's
    predictor, the weight 1 / (5 + the variance of the four horizontal and
    vertical neighbours, divided by 4). The border rows and columns are
    neighbours only.

    Bias-corrected: F predicts from stego neighbours, so with the cover's
    parities t (+1 odd, -1 even) correlated under F, E[beta] = p + p(1 - p) Kc
    with Kc = sum w_i t_i F(t)_i of the cover. The stego image gives
    K = (1 - p)^2 Kc, so p solves p^2 - (1 + K + beta) p + beta = 0: the
    smaller root, or (1 + K + beta) / 2 when the roots are not real (they
    meet at p = 1, and noise can part them).
    """
    x = np.asarray(plane, dtype=np.float64)
    h, w = x.shape
    if h < 3 or w < 3:
        return None, NO_WS_INTERIOR
    centre = x[1:-1, 1:-1]
    north, south = x[:-2, 1:-1], x[2:, 1:-1]
    west, east = x[1:-1, :-2], x[1:-1, 2:]
    variance = np.var(np.stack([north, south, west, east]), axis=0)
    weights = 1 / (5 + variance)
    weights /= weights.sum()
    ints = np.asarray(plane, dtype=np.int64)
    parity = (ints - (ints ^ 1)).astype(np.float64)  # x - xbar: +1 odd, -1 even
    beta = float(2 * np.sum(weights * parity[1:-1, 1:-1] * (centre - predict(x))))
    if not bias_corrected:
        return beta, None
    k = float(np.sum(weights * parity[1:-1, 1:-1] * predict(parity)))
    s = 1 + k + beta
    d = s * s - 4 * beta
    if d < 0:
        return s / 2, None
    return (s - math.sqrt(d)) / 2, None


def all_estimators(plane):
    return {
        "chi": chi_square_attack(plane),
        "rs": rs_analysis(plane),
        "spa": sample_pair_analysis(plane),
        "ws": weighted_stego(plane),
        "ws_plain": weighted_stego(plane, bias_corrected=False),
    }
