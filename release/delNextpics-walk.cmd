@echo off
rem Drop the first page of a run on this file: delNextpics
rem takes the preloading out of the run from that page on.
"%~dp0delNextpics.exe" --walk %1
