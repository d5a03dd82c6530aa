# The lumora Python package: reads Lumora results folders and sweeps.
# Installs offline with the system's setuptools: pip install ./python
from setuptools import setup

setup(
    name="lumora",
    version="0.1.0",
    description="Read Lumora results folders (results.h5 or the text files) and sweeps",
    packages=["lumora"],
    python_requires=">=3.9",
    install_requires=["numpy"],
    extras_require={"hdf5": ["h5py"]},
)
