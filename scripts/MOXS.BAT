@echo off
rem Size search: files of equal size, without reading them.
rem Arguments as for MOX.BAT.
call "%~dp0MOX.BAT" /s %*
exit /b %errorlevel%
