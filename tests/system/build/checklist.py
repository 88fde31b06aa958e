"""The tally of the pefile checks (check_resources.py, check_dialogs.py):
one line per check, and a summary with the exit status at the end."""

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def finish():
    """Prints the summary; answers the exit status (1 when a check failed)."""
    if failures:
        print("%d checks failed" % len(failures))
        return 1
    print("all checks passed")
    return 0
