; Run by the end-to-end tests through script-fu-qv-batch with av 0.5.
(define qv-b-local 1)
(gimp-image-set-filename image (string-append "/tmp/" (if (= av 0.5) "b" "wrong-av") ".xcf"))
