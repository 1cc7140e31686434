@echo off
rem Groups the previous search's list again (files deleted since drop out),
rem without scanning the folders anew.
rem Arguments as for MOX.BAT.
call "%~dp0MOX.BAT" /last %*
exit /b %errorlevel%
