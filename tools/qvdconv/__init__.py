"""Conversion of a PHREEQC-format thermodynamic database into DORNEVAL.QVD."""
