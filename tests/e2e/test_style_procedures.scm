; Styles set and read by scripts through the suite's procedures.

(define (qv-style-of image path)
  (let* ((tattoo (car (gimp-item-get-tattoo (car (gimp-image-get-vectors-by-name image path)))))
         (name (string-append "qv-style-for-path-" (number->string tattoo))))
    (if (qv-member-string name (cadr (gimp-image-get-parasite-list image)))
        (caddr (car (gimp-image-get-parasite image name)))
        #f)))

; Script-Fu hands parasite data over with its NUL; compare the text before it.
(define (qv-text-before-nul s)
  (let loop ((i 0))
    (cond ((= i (string-length s)) s)
          ((char=? (string-ref s i) (integer->char 0)) (substring s 0 i))
          (else (loop (+ i 1))))))

(qv-test "set and get one attribute, names normalised"
         (lambda ()
           (let ((image (qv-new-image 16 16)))
             (qv-add-path image "P" '(1 1 10 10))
             (plug-in-qv-path-set-style-attribute image "P" "FONT-SIZE:" "24")
             (qv-check-equal "stored text" "font-size: 24" (qv-text-before-nul (qv-style-of image "P")))
             (qv-check-equal "get" "24" (car (plug-in-qv-path-get-style-attribute image "P" "font-size")))
             (plug-in-qv-path-set-style-attribute image "P" " Stroke " "255 0 0")
             (qv-check-equal "appended without trailing TAB" "font-size: 24\tstroke: 255 0 0"
                             (qv-text-before-nul (qv-style-of image "P")))
             (plug-in-qv-path-set-style-attribute image "P" "stroke:" "0 0 255")
             (qv-check-equal "replaced in place" "font-size: 24\tstroke: 0 0 255"
                             (qv-text-before-nul (qv-style-of image "P")))
             (gimp-image-delete image))))

(qv-test "unknown path: the setter fails and changes nothing, the getter answers empty"
         (lambda ()
           (let ((image (qv-new-image 16 16)))
             (qv-add-path image "P" '(1 1 10 10))
             (gimp-image-clean-all image)
             (qv-check "setter fails"
                       (not (catch #f (plug-in-qv-path-set-style-attribute image "no such path" "stroke" "1 1 1") #t)))
             (qv-check-equal "getter" "" (car (plug-in-qv-path-get-style-attribute image "no such path" "stroke")))
             (qv-check-equal "parasites" 0 (car (gimp-image-get-parasite-list image)))
             (qv-check "image still clean" (= 0 (car (gimp-image-is-dirty image))))
             (gimp-image-delete image))))

; A TAB in a value, or a colon, TAB or line break in a name, would split the
; style into other attributes (a "fill" smuggling in a "@-script: "): each
; such call is a calling error and the stored style stays as it was.
(qv-test "keys and values that would split the style are refused"
         (lambda ()
           (let ((image (qv-new-image 16 16))
                 (tab (string (integer->char 9)))
                 (newline-text (string (integer->char 10))))
             (qv-add-path image "P" '(1 1 10 10))
             (plug-in-qv-path-set-style-attribute image "P" "fill" "1 2 3")
             (for-each
              (lambda (pair)
                (qv-check (string-append "refused: " (car pair))
                          (not (catch #f (plug-in-qv-path-set-style-attribute image "P" (car pair) (cadr pair)) #t))))
              (list (list "fill" (string-append "1 2 3" tab "@-script: /tmp/x.scm"))
                    (list (string-append "fill" tab "@-script") "1")
                    (list (string-append "fi" newline-text "ll") "1")
                    (list "@-script: x; fill" "1")
                    (list ":" "1")))
             (qv-check-equal "style unchanged" "fill: 1 2 3" (qv-text-before-nul (qv-style-of image "P")))
             (plug-in-qv-path-set-style-attribute image "P" "text" (string-append "two" newline-text "lines"))
             (qv-check-equal "a line break in a value is text" (string-append "two" newline-text "lines")
                             (car (plug-in-qv-path-get-style-attribute image "P" "text")))
             (gimp-image-delete image))))

(qv-test "a style survives saving and loading the image as XCF"
         (lambda ()
           (let* ((image (qv-new-image 16 16))
                  (file (string-append qv-tmp-dir "/styled.xcf")))
             (qv-add-path image "P" '(1 1 10 10))
             (plug-in-qv-path-set-style-attribute image "P" "fill" "1 2 3")
             (gimp-xcf-save 0 image (car (gimp-image-get-active-drawable image)) file file)
             (gimp-image-delete image)
             (let ((loaded (car (gimp-xcf-load 0 file file))))
               (qv-check-equal "after reload" "1 2 3" (car (plug-in-qv-path-get-style-attribute loaded "P" "fill")))
               (gimp-image-delete loaded)))))
