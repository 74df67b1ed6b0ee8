	FOO  A
