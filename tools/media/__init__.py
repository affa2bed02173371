"""Generators for every picture and sound the game ships."""
