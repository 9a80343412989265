# Built-in data sources.
