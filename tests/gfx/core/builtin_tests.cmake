# Built-in data tests.
