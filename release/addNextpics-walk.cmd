@echo off
rem Drop the first page of a run on this file: addNextpics
rem prepares the run from that page on, each page with the page a reader would click next.
"%~dp0addNextpics.exe" --walk %1
