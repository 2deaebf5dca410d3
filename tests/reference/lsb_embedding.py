"""Known payloads for the estimators: LSB replacement and LSB matching.

rate is the fraction of samples carrying a message bit; the positions are
round(rate * n) distinct samples drawn at random, the bits random. Half of
them, on average, already hold their bit and do not change.
"""
import numpy as np


def positions(rng, size, rate):
    return rng.choice(size, size=int(round(rate * size)), replace=False)


def lsb_replace(cover, rate, rng):
    stego = np.array(cover, dtype=np.uint8).reshape(-1).copy()
    where = positions(rng, stego.size, rate)
    bits = rng.integers(0, 2, where.size, dtype=np.uint8)
    stego[where] = (stego[where] & 0xFE) | bits
    return stego.reshape(np.shape(cover))


def lsb_match(cover, rate, rng):
    """+-1 at random where the LSB differs from the bit; 0 only goes up, 255 only down."""
    stego = np.array(cover, dtype=np.int16).reshape(-1).copy()
    where = positions(rng, stego.size, rate)
    bits = rng.integers(0, 2, where.size)
    step = rng.choice(np.array([-1, 1]), where.size)
    values = stego[where]
    change = (values & 1) != bits
    moved = values + step
    moved[moved < 0] = 1
    moved[moved > 255] = 254
    stego[where] = np.where(change, moved, values)
    return stego.astype(np.uint8).reshape(np.shape(cover))


def natural_images():
    """Never-compressed photographs bundled with scikit-image, as 8-bit grey planes.

    Colour pictures give their luminance and one channel; the larger ones
    also give crops, so that there are more than 20 planes.
    """
    from skimage import data
    from skimage.color import rgb2gray

    def grey(rgb):
        return np.round(rgb2gray(rgb[..., :3]) * 255).astype(np.uint8)

    images = []
    for name in ("camera", "moon", "coins", "brick", "grass", "gravel", "clock", "page", "text", "cell"):
        images.append((name, getattr(data, name)()))
    colour = {
        "astronaut": data.astronaut(),
        "coffee": data.coffee(),
        "chelsea": data.chelsea(),
        "rocket": data.rocket(),
        "immunohistochemistry": data.immunohistochemistry(),
        "motorcycle": data.stereo_motorcycle()[0],
        "hubble": data.hubble_deep_field()[:512, :512],
        "retina": data.retina()[450:962, 450:962],
    }
    for name, rgb in colour.items():
        images.append((name + "_grey", grey(rgb)))
    for name in ("astronaut", "coffee", "rocket", "motorcycle"):
        images.append((name + "_green", np.ascontiguousarray(colour[name][..., 1])))
    for name in ("camera", "moon", "brick", "astronaut_grey"):
        plane = dict(images)[name]
        images.append((name + "_crop", np.ascontiguousarray(plane[64:320, 128:448])))
    return images
